// Fault soak: the real main window (offscreen) against a simulated instrument that
// drops replies, answers exceptions and closes the connection now and then, for a
// given time. Like a user it switches pages and commits random valid entries in the
// pages' plain fields; after every edit it waits for good polls and checks that the
// field shows what the instrument holds (no write lost, none shown wrongly). Memory
// is sampled every 30 s. The link bar's red spells are counted, and the longest
// is printed with what the link did in it.
//
//   bench_soak [--minutes 60] [--drop 0.05] [--exception 0.02] [--close-after 3000]
//              [--cut 0] [--seed 1] [--memory-log FILE]
// Exit status 0 when no disagreement was seen; a crash ends the process.
#include "devicemodel.h"
#include "filepaths.h"
#include "mainwindow.h"
#include "modbuslink.h"
#include "modbussetting.h"
#include "paramcatalogue.h"
#include "pollstate.h"
#include "simhost.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QtTest/QTest>

#include <cstdio>

namespace {

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression rss(QStringLiteral("^VmRSS:\\s+(\\d+)"),
                                 QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = rss.match(QString::fromLatin1(status.readAll()));
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

// The range a field's tooltip states ("0~101", "1-5000"), or false when it states none.
bool statedRange(const QWidget *w, qint64 *lo, qint64 *hi)
{
    const QRegularExpression range(QStringLiteral("(-?\\d+)\\s*[~\\-]\\s*(\\d+)"));
    const QRegularExpressionMatch m = range.match(w->toolTip());
    if (!m.hasMatch())
        return false;
    *lo = m.captured(1).toLongLong();
    *hi = m.captured(2).toLongLong();
    return *lo >= 0 && *lo < *hi;
}

struct Candidate
{
    QLineEdit *edit;
    const ParamRow *row;
    qint64 lo, hi;
};

const char *const MenuButtons[] = {"ButtonBasicConfig", "ButtonWeightCal", "ButtonApplication",
                                   "ButtonDataTrans", "ButtonTestMaintain"};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\nqt.modbus*=false"));
    QCommandLineParser cl;
    cl.addHelpOption();
    const QCommandLineOption minutesOpt("minutes", "Soak time.", "N", "60");
    const QCommandLineOption dropOpt("drop", "Chance of a dropped reply.", "P", "0.05");
    const QCommandLineOption exceptionOpt("exception", "Chance of an exception reply.", "P",
                                          "0.02");
    const QCommandLineOption closeOpt("close-after", "Connection closed after N answers.", "N",
                                      "3000");
    const QCommandLineOption cutOpt("cut", "Chance of a reply cut short.", "P", "0");
    const QCommandLineOption seedOpt("seed", "Random seed.", "N", "1");
    const QCommandLineOption memOpt("memory-log", "Memory samples (seconds, KiB) to FILE.", "FILE");
    cl.addOptions({minutesOpt, dropOpt, exceptionOpt, closeOpt, cutOpt, seedOpt, memOpt});
    cl.process(app);

    QTemporaryDir home;
    qputenv("ZELT_HOME", home.path().toLocal8Bit());
    sim::FaultOptions faults;
    faults.dropRate = cl.value(dropOpt).toDouble();
    faults.exceptionRate = cl.value(exceptionOpt).toDouble();
    faults.closeAfter = cl.value(closeOpt).toInt();
    faults.cutRate = cl.value(cutOpt).toDouble();
    faults.seed = cl.value(seedOpt).toUInt();
    sim::SimHost host(sim::Kind::Analog, 0);
    if (!host.startTcp(faults)) {
        std::fprintf(stderr, "soak: simulator did not start: %s\n", qPrintable(host.errorString()));
        return 2;
    }
    {
        QSettings ini(SettingsFilePath(), QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("Zelt"));
        ini.setValue(QStringLiteral("connectType"), 1);
        ini.setValue(QStringLiteral("EditHostIP"), QStringLiteral("127.0.0.1"));
        ini.setValue(QStringLiteral("EditPort"), QString::number(host.port()));
        ini.setValue(QStringLiteral("timeoutSpinner"), QStringLiteral("1000"));
        ini.setValue(QStringLiteral("spinboxSlaveId"), QStringLiteral("1"));
    }

    MainWindow window;
    window.show();
    QRandomGenerator rng(cl.value(seedOpt).toUInt());
    // Connect as a user does; on a faulty line it may take more than one press.
    for (int attempt = 0; gu32_PageIndex == 8 && attempt < 20; ++attempt) {
        QTest::mouseClick(window.connectionPage()->findChild<QPushButton *>("connectButton"),
                          Qt::LeftButton);
        waitMs(1500);
    }
    if (gu32_PageIndex == 8) {
        std::fprintf(stderr, "soak: never connected\n");
        return 2;
    }

    QFile memoryLog(cl.value(memOpt));
    QTextStream memory(&memoryLog);
    if (cl.isSet(memOpt) && !memoryLog.open(QIODevice::WriteOnly | QIODevice::Text))
        std::fprintf(stderr, "soak: cannot write %s\n", qPrintable(cl.value(memOpt)));

    const qint64 total = qint64(cl.value(minutesOpt).toDouble() * 60000);
    QElapsedTimer clock;
    clock.start();

    // The link bar's red spells: how many, the longest, and what the link did in it.
    const QLabel *state = window.findChild<QLabel *>(QStringLiteral("label_ConnectState"));
    const QString green = QStringLiteral("Communication-Normal");
    const auto figures = [] {
        return ProgramLink() ? ProgramLink()->stats().figures(QDateTime::currentMSecsSinceEpoch())
                             : LinkFigures();
    };
    int redSpells = 0;
    qint64 spellStart = -1, longestSpell = 0, longestAt = 0;
    LinkFigures atSpellStart, longestFrom, longestTo;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const bool red = state && state->text() != green;
        if (red && spellStart < 0) {
            spellStart = clock.elapsed();
            atSpellStart = figures();
        } else if (!red && spellStart >= 0) {
            ++redSpells;
            if (clock.elapsed() - spellStart > longestSpell) {
                longestSpell = clock.elapsed() - spellStart;
                longestAt = spellStart;
                longestFrom = atSpellStart;
                longestTo = figures();
            }
            spellStart = -1;
        }
    });
    sampler.start(20);
    qint64 nextSample = 0, firstRss = -1, warmRss = -1, lastRss = -1;
    int pageSwitches = 0, edits = 0, agreed = 0, disagreed = 0, unsettled = 0;
    while (clock.elapsed() < total) {
        if (clock.elapsed() >= nextSample) {
            lastRss = residentKiB();
            if (firstRss < 0)
                firstRss = lastRss;
            if (warmRss < 0 && clock.elapsed() >= 120000)
                warmRss = lastRss;
            if (memoryLog.isOpen())
                memory << clock.elapsed() / 1000 << ' ' << lastRss << Qt::endl;
            nextSample += 30000;
        }
        host.clearLog();

        const char *button = MenuButtons[rng.bounded(int(std::size(MenuButtons)))];
        QPushButton *menu = window.findChild<QPushButton *>(QLatin1String(button));
        if (!menu || !menu->isVisible()) {
            waitMs(500);
            continue;
        }
        QTest::mouseClick(menu, Qt::LeftButton);
        ++pageSwitches;
        waitMs(700);

        QVector<Candidate> candidates;
        for (const ParamRow &row : ParameterCatalogue()) {
            if (int(row.page) != int(gu32_PageIndex) || row.kind != ParamKind::Plain)
                continue;
            QLineEdit *edit = window.findChild<QLineEdit *>(QLatin1String(row.widget));
            qint64 lo = 0, hi = 0;
            if (edit && edit->isVisible() && edit->isEnabled() && statedRange(edit, &lo, &hi))
                candidates.append({edit, &row, lo, hi});
        }
        if (candidates.isEmpty())
            continue;
        const Candidate pick = candidates[rng.bounded(candidates.size())];
        qint64 value = pick.lo + qint64(rng.bounded(quint32(pick.hi - pick.lo + 1)));
        if (QString::number(value) == pick.edit->text())
            value = value == pick.hi ? pick.lo : value + 1;

        QTest::mouseClick(pick.edit, Qt::LeftButton);
        QTest::keyClick(pick.edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(pick.edit, Qt::Key_Backspace);
        QTest::keyClicks(pick.edit, QString::number(value));
        QTest::keyClick(pick.edit, Qt::Key_Return);
        ++edits;

        // Good polls bring the instrument's value; a faulty line may need a few.
        bool same = false;
        QString shown, held;
        for (int check = 0; check < 20 && !same; ++check) {
            waitMs(1200);
            if (gu8_CommError || gu32_PageIndex != quint32(pick.row->page))
                continue;
            const quint32 raw = pick.row->count == 1 ? host.model().reg(pick.row->address)
                                                     : host.model().value32(pick.row->address);
            shown = pick.edit->text();
            held = QString::number(raw);
            same = shown == held;
        }
        if (same) {
            ++agreed;
        } else if (shown.isEmpty() && held.isEmpty()) {
            ++unsettled;
        } else {
            ++disagreed;
            std::printf("soak: DISAGREE %s (register %d): shows \"%s\", instrument holds %s\n",
                        pick.row->widget, pick.row->address, qPrintable(shown), qPrintable(held));
        }
        std::fflush(stdout);
    }
    lastRss = residentKiB();
    if (warmRss < 0)
        warmRss = firstRss;
    std::printf("soak: %.1f min, %d page switches, %d edits: %d agreed, %d disagreed, "
                "%d never settled (link down)\n",
                clock.elapsed() / 60000.0, pageSwitches, edits, agreed, disagreed, unsettled);
    const auto spent = [&](quint64 LinkFigures::*field) {
        return qulonglong(longestTo.*field - longestFrom.*field);
    };
    std::printf("soak: %d red spells, longest %lld ms from %.1f s: %llu requests, %llu good, "
                "%llu timeouts, %llu link lost, %llu malformed, %llu refused, reconnects %llu "
                "out of step, %llu timeouts in a row, %llu closed by the peer\n",
                redSpells, longestSpell, longestAt / 1000.0, spent(&LinkFigures::sent),
                spent(&LinkFigures::good), spent(&LinkFigures::timeouts),
                spent(&LinkFigures::noLink), spent(&LinkFigures::malformed),
                qulonglong(longestTo.refused() - longestFrom.refused()),
                qulonglong(longestTo.reconnectsBy[0] - longestFrom.reconnectsBy[0]),
                qulonglong(longestTo.reconnectsBy[1] - longestFrom.reconnectsBy[1]),
                qulonglong(longestTo.reconnectsBy[2] - longestFrom.reconnectsBy[2]));
    std::printf("soak: memory %lld KiB at start, %lld KiB after 2 min, %lld KiB at end: "
                "growth %.2f MB after warm-up\n",
                firstRss, warmRss, lastRss, (lastRss - warmRss) / 1024.0);
    return disagreed == 0 ? 0 : 1;
}
