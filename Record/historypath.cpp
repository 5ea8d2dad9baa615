#include "historypath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The same root the settings and templates use; the record sits below the
// widgets and so finds it on its own.
QString filesRoot()
{
    const QString home = qEnvironmentVariable("ZELT_HOME");
    if (!home.isEmpty())
        return QDir::fromNativeSeparators(home);
#ifdef Q_OS_WIN
    return QStringLiteral("C:/Program Files/QuarnIPC");
#else
    if (QCoreApplication::organizationName().isEmpty()) {
        QCoreApplication::setOrganizationName(QStringLiteral("Palvex"));
        QCoreApplication::setApplicationName(QStringLiteral("ZeltConfig"));
    }
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
#endif
}

} // namespace

QString DefaultHistoryFile()
{
    return QDir::cleanPath(filesRoot() + QStringLiteral("/History/history.sqlite"));
}

QString DefaultHistoryPath()
{
    const QString file = DefaultHistoryFile();
    QDir().mkpath(QFileInfo(file).path());
    return file;
}

QString DefaultSettingsFile()
{
    return QDir::cleanPath(filesRoot() + QStringLiteral("/Setting/setting.ini"));
}
