// The weight panel's tables held whole, in the running main window with the
// language applied the way the user switches it (catalogue loaded): every
// error text in English and Chinese with its font, every unit name as the
// instrument's unit register brings it, every status word's marks and
// overflow texts, and the weight text following a decimal change alone.
#include "pagefields.h"
#include "Modbus/filepaths.h"
#include "devicemodel.h"
#include "mainwindow.h"
#include "modbuslink.h"
#include "paramcatalogue.h"
#include "ui_mainwindow.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct ErrorText
{
    const char *english;
    const char *chinese;
};

// The instrument's error messages, bit by bit.
const ErrorText errorTexts[32] = {
    {"Over Zero Range", "上电清零超范围"},
    {"Non Stable", "上电清零时不稳定"},
    {"Over Zero Range", "清零超范围"},
    {"Non Stable", "清零时不稳定"},
    {"Loadcell Under", "清零时传感器负溢出"},
    {"Loadcell Over", "清零时传感器正溢出"},
    {"Forbid Zero", "净重状态不允许清零"},
    {"Non Stable ", "去皮时不稳定"},
    {"-OFL When Tare", "去皮时传感器负溢出"},
    {"OFL When Tare", "去皮时传感器正溢出"},
    {"Tare Err", "去皮时重量为负"},
    {"Forbid Tare", "净重状态不允许去皮"},
    {"Over RZero Range", "强制归零超范围"},
    {"", ""},
    {"", ""},
    {"", ""},
    {"Non Stable", "零点标定不稳定"},
    {"Zero Cal -OFL", "零点标定时传感器负溢出"},
    {"Zero Cal OFL", "零点标定时传感器正溢出"},
    {"mV UnSTAB", "重量标定不稳定"},
    {"Loadcell Under", "重量标定时传感器负溢出"},
    {"Loadcell Over", "重量标定时传感器正溢出"},
    {"Weight Error", "重量标定小于零点或前一个标定点"},
    {"Input Wt Zero", "重量输入不能为零"},
    {"Over Full Scale", "重量输入超过最大量程"},
    {"Over Resolution", "超出最小分辨率"},
    {"No Before Gain", "前一个重量点未标定"},
    {"Hardware Protect", "标定时处于硬件保护中"},
    {"Remote OPS Ban", "禁止远程标定"},
    {"", ""},
    {"AD Fault", "AD故障"},
    {"CAL Error", "标定错误"},
};

const char *const StableOn = "border-image: url(:/images/Stable.png);";
const char *const ZeroOn = "border-image: url(:/images/Zero1.png); background-color:rgb(46,47,48);";
const char *const MarkOff = "border-image: None;";

// Registers 100-103 (group 1) with the unit and decimal settings, high half first.
void storeFormat(quint32 unit, quint32 decimals)
{
    const quint16 r[4] = {quint16(unit >> 16), quint16(unit), quint16(decimals >> 16),
                          quint16(decimals)};
    StoreGroup(1, 0, r);
}

} // namespace

class TestLiveTables : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<MainWindow> m_window;

    Ui::MainWindow *form() { return m_window->form(); }

    // Switches the language the way the user does, with the language button.
    void useLanguage(bool chinese)
    {
        if (m_window->isChinese() != chinese)
            QTest::mouseClick(form()->Btn_ChangeLanguage, Qt::LeftButton);
        QCOMPARE(m_window->isChinese(), chinese);
    }

private slots:
    void initTestCase()
    {
        qputenv("ZELT_HOME", m_home.path().toUtf8());
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
        QFile::remove(SettingsFilePath());
        gu32_Language = 0;
        m_window.reset(new MainWindow);
        m_window->show();
    }
    void cleanupTestCase() { m_window.reset(); }
    void init()
    {
        ClearMirror();
        useLanguage(false);
        m_window->refreshLiveDisplay(true);
    }

    void errorTextOfEveryBit_data()
    {
        QTest::addColumn<int>("bit");
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("style");
        for (int bit = 0; bit < 32; ++bit) {
            QTest::addRow("bit %d English", bit)
                << bit << false << QString::fromUtf8(errorTexts[bit].english) << QString();
            // Only the longest Chinese text takes the smaller font.
            QTest::addRow("bit %d Chinese", bit)
                << bit << true << QString::fromUtf8(errorTexts[bit].chinese)
                << QString::fromLatin1(bit == 22 ? "font-size: 20px;" : "font-size: 25px;");
        }
    }
    void errorTextOfEveryBit()
    {
        QFETCH(int, bit);
        QFETCH(bool, chinese);
        QFETCH(QString, text);
        QFETCH(QString, style);
        useLanguage(chinese);
        if (chinese)
            QVERIFY(form()->label_ErrorMessage->text() != QStringLiteral("Error Message"));
        QLabel *message = form()->label_ErrorMessage_1;
        const QString before = QStringLiteral("font-size: 31px;");
        message->setStyleSheet(before);
        // Higher bits do not matter: the lowest set bit names the message.
        gsrt_LiveVal.slot[2] = (1u << bit) | (bit < 31 ? 0x80000000u : 0u);
        m_window->refreshLiveDisplay(false);
        QCOMPARE(message->text(), text);
        // English messages leave the font as it was.
        QCOMPARE(message->styleSheet(), chinese ? style : before);
    }

    void noErrorInBothLanguages()
    {
        gsrt_LiveVal.slot[2] = 1;
        m_window->refreshLiveDisplay(false);
        gsrt_LiveVal.slot[2] = 0;
        m_window->refreshLiveDisplay(false);
        QCOMPARE(form()->label_ErrorMessage_1->text(), QStringLiteral("None"));
        QCOMPARE(form()->label_ErrorMessage_1->styleSheet(), QStringLiteral("font-size: 25px;"));
        useLanguage(true);
        QCOMPARE(form()->label_ErrorMessage_1->text(), QStringLiteral("无"));
        QCOMPARE(form()->label_ErrorMessage_1->styleSheet(), QStringLiteral("font-size: 25px;"));
    }

    void unitNameOfEverySetting_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("shown");
        const char *const names[6] = {"t", "kg", "g", "lb", "KN", "N"};
        for (int u = 0; u < 6; ++u)
            QTest::addRow("unit %d", u) << u << QStringLiteral("12.345 %1").arg(names[u]);
    }
    void unitNameOfEverySetting()
    {
        QFETCH(int, unit);
        QFETCH(QString, shown);
        storeFormat(quint32(unit + 1) % 6, 1);
        m_window->refreshLiveDisplay(false);
        gsrt_LiveVal.slot[0] = 12345;
        storeFormat(quint32(unit), 3);
        m_window->refreshLiveDisplay(false);
        QCOMPARE(form()->labelweight_1->text(), shown);
    }

    // The instrument may change its decimals and keep its unit (or the other
    // way round): the weight text follows either change alone.
    void weightFollowsDecimalOrUnitChangeAlone()
    {
        gsrt_LiveVal.slot[0] = 12345;
        storeFormat(1, 2);
        m_window->refreshLiveDisplay(false);
        QCOMPARE(form()->labelweight_1->text(), QStringLiteral("123.45 kg"));
        for (quint32 d : {3u, 0u, 4u, 1u}) {
            storeFormat(1, d);
            m_window->refreshLiveDisplay(false);
            const QString number =
                d == 0 ? QStringLiteral("12345")
                       : QStringLiteral("12345").insert(5 - int(d), QLatin1Char('.'));
            QCOMPARE(form()->labelweight_1->text(), number + QStringLiteral(" kg"));
        }
        storeFormat(3, 1);
        m_window->refreshLiveDisplay(false);
        QCOMPARE(form()->labelweight_1->text(), QStringLiteral("1234.5 lb"));
        // An out-of-range decimal setting keeps the last good one.
        storeFormat(3, 5);
        m_window->refreshLiveDisplay(false);
        QCOMPARE(form()->labelweight_1->text(), QStringLiteral("1234.5 lb"));
    }

    // Every status word 0 to 15 from a cleared panel: stable and zero marks,
    // and "OFL" or "-OFL" in place of the weight.
    void marksOfEveryStatusWord_data()
    {
        QTest::addColumn<int>("status");
        for (int s = 0; s < 16; ++s)
            QTest::addRow("status %d", s) << s;
    }
    void marksOfEveryStatusWord()
    {
        QFETCH(int, status);
        gsrt_LiveVal.slot[0] = 250;
        storeFormat(0, 1);
        m_window->refreshLiveDisplay(true);
        gsrt_LiveVal.slot[1] = quint32(status);
        m_window->refreshLiveDisplay(false);
        QCOMPARE(form()->Lab_Stable->styleSheet(),
                 QString::fromLatin1(status & 1 ? StableOn : MarkOff));
        QCOMPARE(form()->Lab_Zero->styleSheet(),
                 QString::fromLatin1(status & 2 ? ZeroOn : MarkOff));
        const QString weight = !(status & 8) ? QStringLiteral("25.0 t")
                               : status & 4  ? QStringLiteral("-OFL")
                                             : QStringLiteral("OFL");
        QCOMPARE(form()->labelweight_1->text(), weight);
        // Back to a plain word: the marks go and the weight returns.
        gsrt_LiveVal.slot[1] = 0;
        m_window->refreshLiveDisplay(false);
        QCOMPARE(form()->Lab_Stable->styleSheet(), QString::fromLatin1(MarkOff));
        QCOMPARE(form()->labelweight_1->text(), QStringLiteral("25.0 t"));
    }

    void netMarkFollowsTheCoil()
    {
        for (bool chinese : {false, true}) {
            useLanguage(chinese);
            gsrt_LiveVal.netFlag = 1;
            m_window->refreshLiveDisplay(false);
            QCOMPARE(form()->LabNetFg->text(), QStringLiteral("NET"));
            gsrt_LiveVal.netFlag = 0;
            m_window->refreshLiveDisplay(false);
            QCOMPARE(form()->LabNetFg->text(), QString());
        }
    }

    // Bus addresses are unsigned, the module count is signed.
    void digitalSensorNumbersKeepTheirSign()
    {
        gu32_AppSubPage = 6;
        for (const ParamRow &row : ParameterCatalogue()) {
            const QString name = QString::fromLatin1(row.widget);
            const bool address = name.startsWith(QLatin1String("label_SensorAdd"));
            if (!address && name != QLatin1String("EditModuleNum"))
                continue;
            const QString shown = FieldText(row.kind, row.factorDigits, 0xFFFFFFFFu, 0);
            QVERIFY2(shown == (address ? QStringLiteral("4294967295") : QStringLiteral("-1")),
                     qPrintable(name + QStringLiteral(" shows ") + shown));
        }
    }
};

QTEST_MAIN(TestLiveTables)
#include "tst_livetables.moc"
