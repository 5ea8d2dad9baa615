#include "logcategories.h"

Q_LOGGING_CATEGORY(lcLink, "zelt.link", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcModel, "zelt.model", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcBinding, "zelt.binding", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcConnection, "zelt.connection", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcPages, "zelt.pages", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcShell, "zelt.shell", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcFiles, "zelt.files", QtCriticalMsg)

void ApplyLoggingRules(bool verbose)
{
    // QT_LOGGING_RULES, read after these, still decides where it is set.
    QLoggingCategory::setFilterRules(verbose ? QStringLiteral("zelt.*=true\nqt.modbus*=true")
                                             : QStringLiteral("qt.modbus*=false"));
}
