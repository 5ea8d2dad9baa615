#include "programrecord.h"

#include "historypath.h"
#include "servicerecord.h"
#include "sharedcopier.h"
#include "sharedurl.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

QString &openError()
{
    static QString e;
    return e;
}

} // namespace

QString ProgramRecordError()
{
    return openError();
}

namespace {

QPointer<ServiceRecord> &programRecord()
{
    static QPointer<ServiceRecord> record;
    return record;
}

} // namespace

void CloseProgramRecord()
{
    if (ServiceRecord *record = programRecord())
        record->close();
}

ServiceRecord *ProgramRecord()
{
    QPointer<ServiceRecord> &record = programRecord();
    static bool tried = false;
    if (tried)
        return record;
    tried = true;
    if (!QCoreApplication::instance()) {
        openError() = QStringLiteral("there is no application object to own it");
        return nullptr;
    }
    auto *opened = new ServiceRecord(QCoreApplication::instance());
    QString error;
    if (!opened->open(DefaultHistoryPath(), &error)) {
        openError() = error;
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

SyncResult CopyProgramRecord(const QString &configured, int budgetMs)
{
    const QString url = SharedHistoryUrl(configured);
    ServiceRecord *record = url.isEmpty() ? nullptr : ProgramRecord();
    if (!record) {
        SyncResult nothing;
        nothing.ok = true;
        return nothing;
    }
    return record->syncShared(url, budgetMs, QDeadlineTimer(budgetMs));
}
