// The History page on service records made by the test: rows read as the view
// scrolls, the filters against the same filters applied by hand, the chain
// check on an edited file, the exports, new entries and its place in the
// main window, where it reads nothing from the instrument.
#include "pgserver.h"
#include "recordfixture.h"

#include "App/historymodel.h"
#include "App/historypage.h"
#include "App/pagepoll.h"
#include "devicemodel.h"
#include "entrytext.h"
#include "languagefont.h"
#include "mainwindow.h"
#include "servicerecord.h"
#include "sharedstore.h"
#include "ui_mainwindow.h"
#include "workbook.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTableView>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

const QDateTime Base(QDate(2024, 3, 1), QTime(0, 30), Qt::UTC);

// The sample entries three hours apart, so that they span three days.
ServiceEntry spreadEntry(int i)
{
    ServiceEntry e = SampleEntry(i % 20, Base);
    e.timeUtc = Base.addSecs(3 * 3600 * i);
    e.oldShown = QString::number(i);
    e.newShown = QString::number(i + 1);
    e.unit = QStringLiteral("kg");
    return e;
}

void fetchAll(HistoryModel *model)
{
    while (model->canFetchMore(QModelIndex()))
        model->fetchMore(QModelIndex());
}

QStringList shownIds(const HistoryModel *model)
{
    QStringList ids;
    for (int row = 0; row < model->rowCount(); ++row)
        ids << model->entry(row).id;
    return ids;
}

QDate day(int d)
{
    return QDate(2024, 3, d);
}

QDateTime localMidnight(int d)
{
    return QDateTime(day(d), QTime(0, 0), Qt::LocalTime);
}

struct Filters
{
    QString serial, param, source;
    int outcome = -1; // ServiceEntry::Outcome, -1 for all
    QDate from, to;   // null: unchecked
};

using Match = std::function<bool(const ServiceEntry &)>;

} // namespace

Q_DECLARE_METATYPE(Filters)
Q_DECLARE_METATYPE(Match)

class TestHistoryPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void rowsAreReadAsTheViewScrolls();
    void filtersNarrowTheRows_data();
    void filtersNarrowTheRows();
    void parameterNamesFollowTheLanguage();
    void theTableShowsWholeTextsAndSaysWhyItIsEmpty();
    void verifySaysIntactOrNamesTheEditedEntry();
    void exportsHoldTheFilteredEntries();
    void aNewEntryShowsAtTheTopOnly();
    void theMenuButtonShowsThePageWhichPollsNoParameters();
    void theSharedViewShowsEveryComputersEntries();

private:
    void append(int n);
    void setFilters(HistoryPage &page, const Filters &f);
    QStringList idsNewestFirst(const Match &match) const;

    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ServiceRecord> m_record;
    QVector<ServiceEntry> m_entries;
};

void TestHistoryPage::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("ZELT_HOME", m_home.path().toUtf8());
}

void TestHistoryPage::init()
{
    gu32_Language = 0;
    m_dir.reset(new QTemporaryDir);
    m_record.reset(new ServiceRecord);
    QString error;
    QVERIFY2(m_record->open(m_dir->filePath(QStringLiteral("h.sqlite")), &error),
             qPrintable(error));
}

void TestHistoryPage::cleanup()
{
    m_record.reset();
    m_entries.clear();
    m_dir.reset();
}

void TestHistoryPage::append(int n)
{
    QString error;
    for (int i = m_entries.size(); i < n; ++i) {
        ServiceEntry e = spreadEntry(i);
        QVERIFY2(m_record->append(e, &error), qPrintable(error));
        m_entries << e;
    }
}

QStringList TestHistoryPage::idsNewestFirst(const Match &match) const
{
    QStringList ids;
    for (auto e = m_entries.crbegin(); e != m_entries.crend(); ++e) {
        if (match(*e))
            ids << e->id;
    }
    return ids;
}

void TestHistoryPage::setFilters(HistoryPage &page, const Filters &f)
{
    page.findChild<QLineEdit *>(QStringLiteral("EditHistorySerial"))->setText(f.serial);
    page.findChild<QLineEdit *>(QStringLiteral("EditHistoryParam"))->setText(f.param);
    page.findChild<QLineEdit *>(QStringLiteral("EditHistorySource"))->setText(f.source);
    auto *outcome = page.findChild<QComboBox *>(QStringLiteral("ComboHistoryOutcome"));
    outcome->setCurrentIndex(outcome->findData(f.outcome));
    page.findChild<QCheckBox *>(QStringLiteral("CheckHistoryFrom"))->setChecked(f.from.isValid());
    page.findChild<QCheckBox *>(QStringLiteral("CheckHistoryTo"))->setChecked(f.to.isValid());
    if (f.from.isValid())
        page.findChild<QDateEdit *>(QStringLiteral("DateHistoryFrom"))->setDate(f.from);
    if (f.to.isValid())
        page.findChild<QDateEdit *>(QStringLiteral("DateHistoryTo"))->setDate(f.to);
    QTest::mouseClick(page.findChild<QPushButton *>(QStringLiteral("BtnHistoryRefresh")),
                      Qt::LeftButton);
}

void TestHistoryPage::rowsAreReadAsTheViewScrolls()
{
    append(5000);
    HistoryPage page;
    page.setRecord(m_record.get());
    page.resize(1000, 600);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    HistoryModel *model = page.model();
    QCOMPARE(model->rowCount(), HistoryModel::PageSize);
    QCOMPARE(model->entry(0).id, m_entries.last().id);

    // Scrolling to the end of what is there reads the next page, and no more.
    page.view()->scrollToBottom();
    QTRY_COMPARE(model->rowCount(), 2 * HistoryModel::PageSize);

    fetchAll(model);
    QCOMPARE(model->rowCount(), m_entries.size());
    for (int row : {0, 199, 200, 2500, 4999})
        QCOMPARE(model->entry(row).id, m_entries[m_entries.size() - 1 - row].id);
    QVERIFY(!model->canFetchMore(QModelIndex()));

    // Filtered, the pages read further down hold only matching entries too.
    Filters f;
    f.serial = QStringLiteral("B200");
    setFilters(page, f);
    QCOMPARE(model->rowCount(), HistoryModel::PageSize);
    page.view()->scrollToBottom();
    QTRY_COMPARE(model->rowCount(), 2 * HistoryModel::PageSize);
    fetchAll(model);
    QCOMPARE(shownIds(model),
             idsNewestFirst([&f](const ServiceEntry &e) { return e.serial == f.serial; }));
}

void TestHistoryPage::filtersNarrowTheRows_data()
{
    QTest::addColumn<Filters>("filters");
    QTest::addColumn<Match>("match");
    const auto all = [](const ServiceEntry &) { return true; };
    QTest::newRow("none") << Filters{} << Match(all);
    Filters serial;
    serial.serial = QStringLiteral("B200");
    QTest::newRow("instrument") << serial << Match([](const ServiceEntry &e) {
        return e.serial == QLatin1String("B200");
    });
    Filters param;
    param.param = QStringLiteral("fullscale");
    QTest::newRow("part of a name, any case") << param << Match([](const ServiceEntry &e) {
        return e.paramName.startsWith(QLatin1String("FullScale"));
    });
    Filters source;
    source.source = QStringLiteral("page basic");
    QTest::newRow("part of the source") << source << Match([](const ServiceEntry &e) {
        return e.source.startsWith(QLatin1String("page Basic"));
    });
    Filters refused;
    refused.outcome = ServiceEntry::Refused;
    QTest::newRow("refused") << refused << Match([](const ServiceEntry &e) {
        return e.outcome == ServiceEntry::Refused;
    });
    Filters days;
    days.from = day(2);
    days.to = day(2);
    QTest::newRow("one day, from and to") << days << Match([](const ServiceEntry &e) {
        return e.timeUtc >= localMidnight(2) && e.timeUtc < localMidnight(3);
    });
    Filters mixed;
    mixed.serial = QStringLiteral("A100");
    mixed.outcome = ServiceEntry::Written;
    mixed.from = day(2);
    QTest::newRow("instrument, outcome and from") << mixed << Match([](const ServiceEntry &e) {
        return e.serial == QLatin1String("A100") && e.outcome == ServiceEntry::Written &&
               e.timeUtc >= localMidnight(2);
    });
}

void TestHistoryPage::filtersNarrowTheRows()
{
    QFETCH(Filters, filters);
    QFETCH(Match, match);
    append(20);
    HistoryPage page;
    page.setRecord(m_record.get());
    setFilters(page, filters);
    fetchAll(page.model());
    QCOMPARE(shownIds(page.model()), idsNewestFirst(match));
}

void TestHistoryPage::parameterNamesFollowTheLanguage()
{
    append(2);
    HistoryPage page;
    page.setRecord(m_record.get());
    page.refresh();
    const QModelIndex cell = page.model()->index(0, HistoryModel::ParamColumn);
    QCOMPARE(cell.data().toString(), m_entries[1].paramName);
    gu32_Language = 1;
    QCOMPARE(cell.data().toString(), m_entries[1].paramNameZh);
    QCOMPARE(page.model()->index(0, HistoryModel::ChangeColumn).data().toString(),
             QStringLiteral("1 → 2 kg"));
}

void TestHistoryPage::theTableShowsWholeTextsAndSaysWhyItIsEmpty()
{
    HistoryPage page;
    page.resize(1120, 560);
    page.setRecord(m_record.get());
    page.show();
    auto *hint = page.findChild<QLabel *>(QStringLiteral("LabelHistoryEmpty"));
    auto *serial = page.findChild<QLineEdit *>(QStringLiteral("EditHistorySerial"));
    const auto hintAfter = [&](const Filters &f) {
        setFilters(page, f);
        return hint->isVisible() ? hint->text() : QString();
    };
    QVERIFY(hintAfter({}).startsWith(QLatin1String("Nothing is recorded yet")));
    QVERIFY(hintAfter({"A100", "", "", -1, {}, {}}).contains(QLatin1String("instrument A100")));
    QCOMPARE(hintAfter({"", "Full", "", -1, {}, {}}),
             QStringLiteral("No entry matches these filters."));

    // Times of this computer's zone without their offset, others with it; the
    // source with the parameter's name; each kind in the record's own words.
    const QDateTime at(QDate(2024, 7, 1), QTime(9, 15), Qt::UTC);
    const int here = at.toLocalTime().offsetFromUtc();
    QString error;
    for (ServiceEntry::Kind kind :
         {ServiceEntry::Change, ServiceEntry::Connect, ServiceEntry::Disconnect,
          ServiceEntry::Backup, ServiceEntry::Test}) {
        ServiceEntry e = SampleEntry(1, at);
        e.timeUtc = at;
        e.kind = kind;
        e.serial = QStringLiteral("ZT20261105001-000000A3B4C1");
        e.utcOffsetSeconds = kind == ServiceEntry::Change ? here + 5400 : here;
        e.source = QStringLiteral("zeltctl write EditFullScale=15000");
        if (kind != ServiceEntry::Change)
            e.paramName.clear(), e.paramNameZh.clear();
        QVERIFY2(m_record->append(e, &error), qPrintable(error));
    }
    QCOMPARE(hintAfter({}), QString());
    const HistoryModel *model = page.model();
    QStringList kinds;
    for (int row = model->rowCount() - 2; row >= 0; --row)
        kinds << model->index(row, HistoryModel::ParamColumn).data().toString();
    QCOMPARE(kinds, QStringList({"connect", "disconnect", "backup", "test"}));
    const QString localTime = at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QCOMPARE(model->index(0, HistoryModel::TimeColumn).data().toString(), localTime);
    const QString elsewhere = model->index(4, HistoryModel::TimeColumn).data().toString();
    QCOMPARE(elsewhere, EntryLocalTime(model->entry(4)));
    QVERIFY(elsewhere.size() > localTime.size());
    const QModelIndex source = model->index(4, HistoryModel::SourceColumn);
    QVERIFY2(!source.data().toString().contains(QLatin1String("EditFullScale")),
             qPrintable(source.data().toString()));
    QVERIFY(source.data().toString().endsWith(QLatin1String("=15000")));
    QCOMPARE(source.data(Qt::ToolTipRole).toString(),
             QStringLiteral("zeltctl write EditFullScale=15000"));

    // Each column is as wide as its widest text; filtered to one instrument,
    // the instrument column would only repeat the filter and gives its room away.
    QTableView *view = page.view();
    const QFontMetrics metrics(view->font());
    for (int column : {int(HistoryModel::TimeColumn), int(HistoryModel::SerialColumn),
                       int(HistoryModel::ParamColumn), int(HistoryModel::OutcomeColumn)}) {
        for (int row = 0; row < model->rowCount(); ++row) {
            const QString text = model->index(row, column).data().toString();
            QVERIFY2(view->columnWidth(column) > metrics.horizontalAdvance(text),
                     qPrintable(QString("%1: %2").arg(column).arg(text)));
        }
    }
    QVERIFY(!view->isColumnHidden(HistoryModel::SerialColumn));
    setFilters(page, {"ZT20261105001-000000A3B4C1", "", "", -1, {}, {}});
    QVERIFY(view->isColumnHidden(HistoryModel::SerialColumn));
    QCOMPARE(model->rowCount(), 5);
    QVERIFY(serial->width() > QFontMetrics(serial->font()).horizontalAdvance(serial->text()));
    QVERIFY(view->horizontalHeader()->length() <= view->viewport()->width());
}

void TestHistoryPage::verifySaysIntactOrNamesTheEditedEntry()
{
    append(12);
    const QString file = m_record->path();
    auto verify = [&]() -> QString {
        HistoryPage page;
        page.setRecord(m_record.get());
        QTest::mouseClick(page.findChild<QPushButton *>(QStringLiteral("BtnHistoryVerify")),
                          Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return !page.verifying(); }, 20000))
            return QStringLiteral("still checking");
        return page.statusText();
    };
    QCOMPARE(verify(), QStringLiteral("Chain intact: 12 entries"));

    m_record->close();
    QCOMPARE(
        EditRecordFile(file, QStringLiteral("UPDATE entries SET source = 'nobody' WHERE seq = 9")),
        1);
    QString error;
    QVERIFY2(m_record->open(file, &error), qPrintable(error));
    const QString broken = verify();
    QVERIFY2(
        broken.startsWith(QStringLiteral("Chain broken at entry 9 (id %1): ").arg(m_entries[8].id)),
        qPrintable(broken));
}

void TestHistoryPage::exportsHoldTheFilteredEntries()
{
    append(30);
    HistoryPage page;
    page.setRecord(m_record.get());
    Filters f;
    f.serial = QStringLiteral("C300");
    setFilters(page, f);
    QStringList ids;
    for (auto e = m_entries.crbegin(); e != m_entries.crend(); ++e) {
        if (e->serial == f.serial)
            ids << e->id;
    }

    const QString csv = m_dir->filePath(QStringLiteral("h.csv"));
    QString error;
    QVERIFY2(page.exportCsv(csv, &error), qPrintable(error));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), ids.size() + 1);
    for (int i = 0; i < ids.size(); ++i)
        QVERIFY2(lines[i + 1].startsWith(ids[i] + QLatin1Char(',')), qPrintable(lines[i + 1]));

    const QString xlsx = m_dir->filePath(QStringLiteral("h.xlsx"));
    int written = 0;
    QVERIFY2(page.exportExcel(xlsx, &written, &error), qPrintable(error));
    QCOMPARE(written, ids.size());
    Workbook book;
    QVERIFY(book.open(xlsx));
    QVERIFY(book.selectSheet(QStringLiteral("History")));
    QCOMPARE(book.rowCount(), ids.size() + 1);
    QCOMPARE(book.cellText(1, 1 + HistoryModel::SerialColumn), QStringLiteral("Instrument"));
    const ServiceEntry &newest =
        *std::find_if(m_entries.cbegin(), m_entries.cend(),
                      [&](const ServiceEntry &e) { return e.id == ids[0]; });
    QCOMPARE(book.cellText(2, 1 + HistoryModel::SerialColumn), newest.serial);
    QCOMPARE(book.cellText(2, 1 + HistoryModel::SourceColumn), newest.source);
}

void TestHistoryPage::aNewEntryShowsAtTheTopOnly()
{
    append(HistoryModel::PageSize * 2);
    HistoryPage page;
    page.setRecord(m_record.get());
    page.resize(1000, 500);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));

    QString error;
    ServiceEntry fresh = spreadEntry(m_entries.size());
    QVERIFY(m_record->append(fresh, &error));
    QCOMPARE(page.model()->entry(0).id, fresh.id);

    // Scrolled down, the rows stay where they are and the page says so.
    page.view()->verticalScrollBar()->setValue(page.view()->verticalScrollBar()->maximum());
    QVERIFY(page.view()->verticalScrollBar()->value() > 0);
    const int rows = page.model()->rowCount();
    ServiceEntry later = spreadEntry(m_entries.size() + 1);
    QVERIFY(m_record->append(later, &error));
    QCOMPARE(page.model()->rowCount(), rows);
    QCOMPARE(page.model()->entry(0).id, fresh.id);
    QVERIFY(!page.statusText().isEmpty());
    QTest::mouseClick(page.findChild<QPushButton *>(QStringLiteral("BtnHistoryRefresh")),
                      Qt::LeftButton);
    QCOMPARE(page.model()->entry(0).id, later.id);
}

void TestHistoryPage::theMenuButtonShowsThePageWhichPollsNoParameters()
{
    MainWindow window;
    window.historyPage()->setRecord(m_record.get());
    for (int n = 0; n < SerialNumberChars; ++n)
        gsrt_SysInf.slot[SerialNumberSlot + n] = quint32('A' + n);
    window.form()->ButtonBasicConfig->click();
    QVERIFY(!PagePollGroups(gu32_PageIndex, gu32_AppSubPage).isEmpty());
    window.form()->ButtonHistory->click();
    QCOMPARE(window.form()->stackedWidget->currentWidget(), window.historyPage());
    QVERIFY(PagePollGroups(gu32_PageIndex, gu32_AppSubPage).isEmpty());
    QCOMPARE(window.historyPage()->filter().serial, QStringLiteral("ABCDEFGHIJKLM-NOPQRSTUVWXY"));
    for (int n = 0; n < SerialNumberChars; ++n)
        gsrt_SysInf.slot[SerialNumberSlot + n] = 0;
}

// The shared view lists every computer's entries from the shared store, with
// the page's filters; the local record's check and exports are off meanwhile.
// Without a shared store it says so and stays on the local record.
void TestHistoryPage::theSharedViewShowsEveryComputersEntries()
{
    HistoryPage unset;
    unset.setRecord(m_record.get());
    auto *unsetBox = unset.findChild<QCheckBox *>(QStringLiteral("CheckHistoryShared"));
    unsetBox->click();
    QVERIFY(!unsetBox->isChecked());
    QVERIFY2(unset.statusText().contains(QLatin1String("No shared record")),
             qPrintable(unset.statusText()));

    PgServer server;
    QString error;
    if (!server.create(&error))
        QSKIP(qPrintable(QStringLiteral("no PostgreSQL server to test against: ") + error));
    {
        SharedStore admin;
        QVERIFY2(admin.connect(server.url(), &error) &&
                     ExecSql(admin.db(), QStringLiteral("CREATE DATABASE shared"), &error),
                 qPrintable(error));
    }
    const QString url = server.url(QStringLiteral("shared"));
    QVERIFY2(InitSharedStore(url, QString(), &error), qPrintable(error));
    append(30);
    ServiceRecord other;
    QVERIFY(other.open(m_dir->filePath(QStringLiteral("other.sqlite")), &error));
    for (int i = 0; i < 20; ++i) {
        ServiceEntry e = spreadEntry(i);
        e.host = QStringLiteral("bench-pc");
        QVERIFY(other.append(e, &error));
    }
    QVERIFY(m_record->syncShared(url).ok);
    QVERIFY(other.syncShared(url).ok);

    HistoryPage page;
    page.setRecord(m_record.get());
    page.setSharedUrl(url);
    page.resize(1000, 600);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(page.model()->rowCount(), 30);
    // The shared store is read on a thread of its own: the page answers at
    // once, says what it waits for, and the rows come when they are read.
    auto *sharedBox = page.findChild<QCheckBox *>(QStringLiteral("CheckHistoryShared"));
    sharedBox->click();
    QVERIFY(!sharedBox->isEnabled());
    QCOMPARE(page.statusText(), QStringLiteral("Connecting to the shared record…"));
    QTRY_COMPARE(page.model()->rowCount(), 50);
    QCOMPARE(page.statusText(), QString());
    QVERIFY(sharedBox->isEnabled());
    int fromBench = 0;
    for (int row = 0; row < 50; ++row)
        fromBench += HistoryModel::cellText(page.model()->entry(row), HistoryModel::WhoColumn)
                         .endsWith(QLatin1String("@bench-pc"));
    QCOMPARE(fromBench, 20);
    QVERIFY(!page.findChild<QPushButton *>(QStringLiteral("BtnHistoryVerify"))->isEnabled());
    Filters serial;
    serial.serial = QStringLiteral("A100");
    setFilters(page, serial);
    QVERIFY(page.model()->reading());
    const auto a100 = [](const ServiceEntry &e) { return e.serial == QLatin1String("A100"); };
    const int local = int(std::count_if(m_entries.cbegin(), m_entries.cend(), a100));
    const int bench = int(std::count_if(m_entries.cbegin(), m_entries.cbegin() + 20, a100));
    QTRY_COMPARE(page.model()->rowCount(), local + bench);
    QTRY_VERIFY(!page.model()->reading());
    sharedBox->click();
    fetchAll(page.model());
    QCOMPARE(page.model()->rowCount(), local);
    QVERIFY(page.findChild<QPushButton *>(QStringLiteral("BtnHistoryVerify"))->isEnabled());

    // A server that accepts the connection and never answers does not hold the
    // window: the press returns at once, and the page says why when the
    // connection's time is up.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    HistoryPage quiet;
    quiet.setRecord(m_record.get());
    quiet.setSharedUrl(
        QStringLiteral("postgresql://zelt@127.0.0.1:%1/shared").arg(silent.serverPort()));
    quiet.show();
    auto *quietBox = quiet.findChild<QCheckBox *>(QStringLiteral("CheckHistoryShared"));
    QElapsedTimer clock;
    clock.start();
    quietBox->click();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(quiet.statusText(), QStringLiteral("Connecting to the shared record…"));
    QTRY_VERIFY_WITH_TIMEOUT(quietBox->isEnabled(), 20000);
    QVERIFY(!quietBox->isChecked());
    QVERIFY2(!quiet.statusText().isEmpty() &&
                 !quiet.statusText().startsWith(QLatin1String("Connecting")),
             qPrintable(quiet.statusText()));
    QCOMPARE(quiet.model()->rowCount(), 30); // the local rows stay
}

QTEST_MAIN(TestHistoryPage)
#include "tst_historypage.moc"
