// Copying the service record to a shared PostgreSQL server: a throwaway server
// made for the suite, stopped in the middle of a copy and started again.

#include "pgserver.h"
#include "recordfixture.h"
#include "servicerecord.h"
#include "sharedcopier.h"
#include "sharedstore.h"
#include "sqlconnection.h"

#include <QSqlQuery>
#include <QtTest>

namespace {

const QDateTime Base(QDate(2024, 3, 1), QTime(8, 0), Qt::UTC);

} // namespace

class TestSharedHistory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void syncCopiesEachEntryOnce();
    void chainsFromSeveralDatabasesVerifyApart();
    void copierCarriesOnAfterTheServerWasDown();
    void copierIsWokenByAnAppend();

private:
    // Entries of `origin` in the shared store, -1 when it cannot be read.
    int sharedCount(const QString &origin);
    bool exec(const QString &sql);
    void openRecord(ServiceRecord &record, const QString &name, int entries);

    PgServer m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    int m_database = 0;
    QString m_url;
};

void TestSharedHistory::initTestCase()
{
    QString why;
    if (!m_server.create(&why))
        QSKIP(qPrintable(QStringLiteral("no PostgreSQL server to test against: ") + why));
}

void TestSharedHistory::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("ZELT_HOME", m_dir->path().toUtf8());
    // A fresh shared database for every test.
    const QString name = QStringLiteral("history%1").arg(++m_database);
    SqlConnection admin;
    QString error;
    QVERIFY2(OpenSharedStore(admin, m_server.url(), &error), qPrintable(error));
    QVERIFY2(ExecSql(admin.db(), QStringLiteral("CREATE DATABASE ") + name, &error),
             qPrintable(error));
    m_url = m_server.url(name);
}

int TestSharedHistory::sharedCount(const QString &origin)
{
    SqlConnection shared;
    if (!OpenSharedStore(shared, m_url, nullptr))
        return -1;
    QSqlQuery query(shared.db());
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM service_entries WHERE origin = ?"));
    query.addBindValue(origin);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

bool TestSharedHistory::exec(const QString &sql)
{
    SqlConnection shared;
    QString error;
    const bool ok = OpenSharedStore(shared, m_url, &error) && ExecSql(shared.db(), sql, &error);
    if (!ok)
        qWarning("%s", qPrintable(error));
    return ok;
}

void TestSharedHistory::openRecord(ServiceRecord &record, const QString &name, int entries)
{
    QString error;
    QVERIFY2(record.open(m_dir->filePath(name), &error), qPrintable(error));
    for (int i = 0; i < entries; ++i) {
        ServiceEntry e = SampleEntry(i % 12, Base.addDays(i / 12));
        QVERIFY2(record.append(e, &error), qPrintable(error));
    }
}

void TestSharedHistory::syncCopiesEachEntryOnce()
{
    ServiceRecord record;
    openRecord(record, QStringLiteral("a.sqlite"), 450);
    QCOMPARE(record.pendingCopies(), 450);

    SyncResult first = record.syncShared(m_url);
    QVERIFY2(first.ok, qPrintable(first.error));
    QCOMPARE(first.copied, 450);
    QCOMPARE(first.alreadyThere, 0);
    QCOMPARE(record.pendingCopies(), 0);
    QCOMPARE(sharedCount(record.origin()), 450);

    const SyncResult second = record.syncShared(m_url);
    QVERIFY2(second.ok, qPrintable(second.error));
    QCOMPARE(second.copied, 0);
    QCOMPARE(second.alreadyThere, 0);

    // Marks lost after the copy (a crash between the two commits): sent again, taken once.
    ServiceEntry more = SampleEntry(3, Base);
    QVERIFY(record.append(more, nullptr));
    QString output;
    QVERIFY2(RunSqlite3(record.path(), QStringLiteral("UPDATE entries SET copied = 0"), &output),
             qPrintable(output));
    const SyncResult third = record.syncShared(m_url);
    QVERIFY2(third.ok, qPrintable(third.error));
    QCOMPARE(third.copied, 1);
    QCOMPARE(third.alreadyThere, 450);
    QCOMPARE(sharedCount(record.origin()), 451);

    const SharedVerifyResult check = VerifyShared(m_url);
    QVERIFY2(check.ok, qPrintable(check.error));
    QCOMPARE(check.origins.size(), 1);
    QCOMPARE(check.origins[0].origin, record.origin());
    QCOMPARE(check.origins[0].checked, qint64(451));
}

void TestSharedHistory::chainsFromSeveralDatabasesVerifyApart()
{
    ServiceRecord a;
    ServiceRecord b;
    openRecord(a, QStringLiteral("a.sqlite"), 30);
    openRecord(b, QStringLiteral("b.sqlite"), 20);
    QVERIFY(a.syncShared(m_url).ok);
    QVERIFY(b.syncShared(m_url).ok);
    SharedVerifyResult check = VerifyShared(m_url);
    QVERIFY2(check.ok, qPrintable(check.error));
    QCOMPARE(check.origins.size(), 2);
    for (const VerifyResult &chain : check.origins)
        QCOMPARE(chain.checked, qint64(chain.origin == a.origin() ? 30 : 20));

    // An entry of b edited on the server: b's chain names it, a's stays whole.
    const ServiceEntry seventh = b.fetch(HistoryFilter(), 13, 1).value(0);
    QCOMPARE(seventh.seq, qint64(7));
    QVERIFY(exec(QStringLiteral("UPDATE service_entries SET new_shown = '1' WHERE id = '%1'")
                     .arg(seventh.id)));
    check = VerifyShared(m_url);
    QVERIFY(!check.ok);
    QCOMPARE(check.error, QString());
    for (const VerifyResult &chain : check.origins) {
        QCOMPARE(chain.ok, chain.origin == a.origin());
        if (!chain.ok) {
            QCOMPARE(chain.seq, qint64(7));
            QCOMPARE(chain.id, seventh.id);
        }
    }
}

void TestSharedHistory::copierCarriesOnAfterTheServerWasDown()
{
    ServiceRecord record;
    openRecord(record, QStringLiteral("a.sqlite"), 3000);
    SharedCopier copier(record.path(), m_url);
    copier.setRetryInterval(200);
    QObject::connect(&record, &ServiceRecord::appended, &copier, &SharedCopier::wake);
    QSignalSpy passes(&copier, &SharedCopier::passFinished);
    copier.start();
    QTRY_VERIFY_WITH_TIMEOUT(sharedCount(record.origin()) > 0, 30000);
    QString why;
    QVERIFY2(m_server.stop(&why), qPrintable(why));

    // Appends go on while the server is away; nothing waits for it.
    for (int i = 0; i < 100; ++i) {
        ServiceEntry e = SampleEntry(i % 12, Base.addYears(1));
        QString error;
        QVERIFY2(record.append(e, &error), qPrintable(error));
    }
    QVERIFY(record.pendingCopies() >= 100);
    // A run that found the server away, and said so.
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(passes.cbegin(), passes.cend(),
                                         [](const QList<QVariant> &pass) {
                                             const SyncResult r = pass.at(0).value<SyncResult>();
                                             return !r.ok && !r.error.isEmpty() && r.failed > 0;
                                         }),
                             30000);

    QVERIFY2(m_server.start(&why), qPrintable(why));
    QTRY_COMPARE_WITH_TIMEOUT(record.pendingCopies(), 0, 30000);
    QCOMPARE(sharedCount(record.origin()), 3100);
    copier.stop();
    const SharedVerifyResult check = VerifyShared(m_url);
    QVERIFY2(check.ok, qPrintable(check.error));
    QCOMPARE(check.origins.value(0).checked, qint64(3100));
}

void TestSharedHistory::copierIsWokenByAnAppend()
{
    ServiceRecord record;
    openRecord(record, QStringLiteral("a.sqlite"), 5);
    SharedCopier copier(record.path(), m_url);
    copier.setRetryInterval(3600 * 1000);
    QObject::connect(&record, &ServiceRecord::appended, &copier, &SharedCopier::wake);
    QSignalSpy passes(&copier, &SharedCopier::passFinished);
    copier.start();
    // Counted once the first pass is over: a count while the copier still makes
    // its table would race it for the table's creation.
    QTRY_COMPARE_WITH_TIMEOUT(passes.count(), 1, 30000);
    QVERIFY2(passes.first().at(0).value<SyncResult>().ok,
             qPrintable(passes.first().at(0).value<SyncResult>().error));
    QCOMPARE(sharedCount(record.origin()), 5);

    ServiceEntry e = SampleEntry(0, Base);
    QVERIFY(record.append(e, nullptr));
    QTRY_COMPARE_WITH_TIMEOUT(sharedCount(record.origin()), 6, 30000);
    QVERIFY(passes.count() >= 2);
    const SyncResult last = passes.last().at(0).value<SyncResult>();
    QVERIFY2(last.ok, qPrintable(last.error));
}

QTEST_GUILESS_MAIN(TestSharedHistory)
#include "tst_sharedhistory.moc"
