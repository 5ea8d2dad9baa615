#include "filepaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace {

QString withSlash(QString path)
{
    path = QDir::fromNativeSeparators(path);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

QString defaultRoot()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:/Program Files/QuarnIPC/");
#else
    // The data folder is named after the organisation and application; a
    // program that did not name itself still gets a stable folder.
    if (QCoreApplication::organizationName().isEmpty()) {
        QCoreApplication::setOrganizationName(QStringLiteral("Palvex"));
        QCoreApplication::setApplicationName(QStringLiteral("ZeltConfig"));
    }
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
#endif
}

QString folder(const QString &path)
{
    QDir().mkpath(path);
    return path;
}

} // namespace

QString FilesRoot()
{
    const QString home = qEnvironmentVariable("ZELT_HOME");
    return folder(withSlash(home.isEmpty() ? defaultRoot() : home));
}

QString SettingsFilePath()
{
    return folder(FilesRoot() + QStringLiteral("Setting/")) + QStringLiteral("setting.ini");
}

QString TemplateDir()
{
    return folder(FilesRoot() + QStringLiteral("Template/"));
}

QString ExportDir()
{
    return folder(FilesRoot() + QStringLiteral("Export/"));
}
