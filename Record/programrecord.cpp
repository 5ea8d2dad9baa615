#include "programrecord.h"

#include "historypath.h"
#include "servicerecord.h"
#include "sharedcopier.h"
#include "sharedurl.h"

#include <QCoreApplication>
#include <QPointer>

ServiceRecord *ProgramRecord()
{
    static QPointer<ServiceRecord> record;
    static bool tried = false;
    if (tried)
        return record;
    tried = true;
    if (!QCoreApplication::instance()) {
        qCWarning(lcRecord, "The service record is off: there is no application object to own it");
        return nullptr;
    }
    auto *opened = new ServiceRecord(QCoreApplication::instance());
    QString error;
    if (!opened->open(DefaultHistoryPath(), &error)) {
        qCWarning(lcRecord, "The service record is off: %s", qPrintable(error));
        delete opened;
        return nullptr;
    }
    record = opened;
    return record;
}

SharedCopier *StartProgramSharedCopy(const QString &configured)
{
    ServiceRecord *record = ProgramRecord();
    const QString url = SharedHistoryUrl(configured);
    if (!record || url.isEmpty())
        return nullptr;
    auto *copier = new SharedCopier(record->path(), url, record);
    QObject::connect(record, &ServiceRecord::appended, copier, &SharedCopier::wake);
    copier->start();
    return copier;
}
