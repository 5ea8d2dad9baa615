#include "paramtemplate.h"
#include "logcategories.h"

#include "paramcatalogue.h"
#include "workbook.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

QString TemplateFileName(int language)
{
    return language == 0 ? QStringLiteral("QuarnT-Zelt_EN.xlsx")
                         : QStringLiteral("QuarnT-Zelt_CN.xlsx");
}

QVector<QStringList> ParamTemplateRows(int language)
{
    const bool english = language == 0;
    QVector<QStringList> rows;
    rows.append(
        english
            ? QStringList{"Address", "Name", "Count", "Maximum", "Minimum", "Unit or note", "Value"}
            : QStringList{QStringLiteral("地址"), QStringLiteral("名称"), QStringLiteral("数量"),
                          QStringLiteral("最大值"), QStringLiteral("最小值"),
                          QStringLiteral("单位或说明"), QStringLiteral("数值")});
    for (const ParamRow *p : FileParameters()) {
        rows.append({QString::number(p->address),
                     QString::fromUtf8(english ? p->nameEn : p->nameCn), QString::number(p->count),
                     QString::number(p->rawMax), QString::number(p->rawMin),
                     QString::fromUtf8(english ? p->noteEn : p->noteCn), QString()});
    }
    return rows;
}

QVector<double> ParamTemplateColumnWidths()
{
    return {10, 34, 8, 12, 10, 60, 14};
}

bool WriteParamTemplate(const QString &path, int language, QString *error)
{
    return CreateWorkbook(path, QStringLiteral("读写类"), ParamTemplateRows(language),
                          ParamTemplateColumnWidths(), error);
}

bool EnsureParamTemplate(const QString &path, int language)
{
    if (QFileInfo(path).isFile())
        return true;
    QString error;
    if (!WriteParamTemplate(path, language, &error)) {
        qCDebug(lcFiles).noquote() << "template not written:" << error;
        return false;
    }
    qCDebug(lcFiles).noquote() << "template written:" << path;
    return true;
}

QString SetAsidePreviousExport(const QString &path, bool *error)
{
    if (error)
        *error = false;
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    // Only an earlier file is kept aside: a folder of that name stays where it is.
    if (!info.isFile()) {
        qCDebug(lcFiles).noquote() << "not a file, left in place:" << path;
        if (error)
            *error = true;
        return QString();
    }
    const QString stamp = info.lastModified().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString stem =
        info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('_') + stamp;
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString target = stem + suffix;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = stem + QLatin1Char('_') + QString::number(n) + suffix;
    if (!QFile::rename(path, target)) {
        qCDebug(lcFiles).noquote() << "previous export could not be kept:" << path;
        if (error)
            *error = true;
        return QString();
    }
    qCDebug(lcFiles).noquote() << "previous export kept as" << target;
    return target;
}
