// What one poll reads, page by page, held whole: the live groups and coils in
// their order, then the groups of the page on screen, as the instrument sees them.
#include "App/pagebase.h"
#include "mainwindow.h"
#include "pagefixture.h"
#include "pollstate.h"

#include <QTabWidget>

namespace {

struct Req
{
    int function, address, count;
    bool operator==(const Req &o) const
    {
        return function == o.function && address == o.address && count == o.count;
    }
};

constexpr int CoilRead = 1, ReadRegisters = 3;

// Group n as a register read.
Req group(int start, int count)
{
    return {ReadRegisters, start, count};
}

QString show(const QVector<Req> &list)
{
    QStringList parts;
    for (const Req &r : list)
        parts.append(QStringLiteral("%1:%2/%3").arg(r.function).arg(r.address).arg(r.count));
    return parts.join(QLatin1Char(' '));
}

} // namespace

Q_DECLARE_METATYPE(QVector<Req>)

class TestPollTable : public QObject
{
    Q_OBJECT

    pagetest::Bench m_bench;
    std::unique_ptr<MainWindow> m_window;

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
        QVERIFY(m_bench.start());
        m_bench.reset();
        gu32_Language = 0;
        m_window.reset(new MainWindow);
        m_window->show();
        m_window->onConnected();
    }
    void cleanupTestCase()
    {
        m_window.reset();
        DisconnectModbus();
    }

    void everyPageReadsItsGroups_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QVector<Req>>("groups");
        const Req g2 = group(100, 38);
        QTest::newRow("monitoring") << 0 << 6 << QVector<Req>{};
        QTest::newRow("basic") << 1 << 6 << QVector<Req>{group(50, 26), g2};
        QTest::newRow("calibration") << 2 << 6 << QVector<Req>{group(600, 18), g2};
        QTest::newRow("application inputs") << 3 << 6 << QVector<Req>{group(150, 8)};
        QTest::newRow("application outputs") << 3 << 7 << QVector<Req>{group(170, 12)};
        QTest::newRow("application comparators") << 3 << 8 << QVector<Req>{group(190, 70)};
        QTest::newRow("data transmission")
            << 4 << 6
            << QVector<Req>{group(300, 54), group(360, 20), group(390, 6), group(460, 10), g2};
        QTest::newRow("test and maintenance")
            << 5 << 6 << QVector<Req>{group(10000, 29), group(10100, 28), group(520, 18)};
        QTest::newRow("digital sensors") << 6 << 6 << QVector<Req>{group(600, 82)};
    }
    void everyPageReadsItsGroups()
    {
        QFETCH(int, page);
        QFETCH(int, tab);
        QFETCH(QVector<Req>, groups);
        m_window->showPage(page);
        if (page == 3) {
            // The application page's tabs choose its group, as the user does.
            if (auto *tabs = m_window->page(3)->findChild<QTabWidget *>())
                tabs->setCurrentIndex(tab - 6);
        }
        gu32_AppSubPage = quint32(tab);
        // The live groups 0, 1, 15, 3, the net coil and the remote-edit coils start every poll.
        const QVector<Req> live = {group(0, 38),  group(100, 4),    group(10100, 28),
                                   group(674, 2), {CoilRead, 4, 1}, {CoilRead, 50, 2}};
        const QVector<Req> wanted = live + groups;
        // One whole poll lies between two starts of the live block.
        m_bench.host->clearLog();
        QVector<Req> log;
        QVector<int> starts;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                log.clear();
                starts.clear();
                for (const sim::LoggedRequest &r : m_bench.host->requestLog()) {
                    if (Req{r.function, r.address, r.count} == live.first())
                        starts.append(log.size());
                    log.append({r.function, r.address, r.count});
                }
                return starts.size() >= 3;
            }(),
            5000);
        const QVector<Req> poll = log.mid(starts[1], starts[2] - starts[1]);
        QVERIFY2(poll == wanted,
                 qPrintable(QStringLiteral("read %1, wanted %2").arg(show(poll), show(wanted))));
    }
};

QTEST_MAIN(TestPollTable)
#include "tst_polltable.moc"
