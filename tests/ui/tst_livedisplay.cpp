// The weight panel and the frameless window's border regions, on real labels
// fed from the mirror.
#include "devicemodel.h"
#include "errortexts.h"
#include "livedisplay.h"
#include "windowgeometry.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpacerItem>
#include <QtTest>

class TestLiveDisplay : public QObject
{
    Q_OBJECT

    QWidget *m_panel = nullptr;
    QLabel *m_weight, *m_net, *m_zero, *m_stable, *m_mv, *m_mvValue, *m_ad, *m_adValue, *m_split,
        *m_error;
    QWidget *m_mvAd;
    QPushButton *m_digButton;
    QSpacerItem *m_left, *m_right;
    std::unique_ptr<LiveDisplay> m_display;

private slots:
    void init()
    {
        ClearMirror();
        gu8_DigSensorsType = 0;
        m_panel = new QWidget;
        auto *row = new QHBoxLayout(m_panel);
        m_weight = new QLabel;
        m_net = new QLabel;
        m_zero = new QLabel;
        m_stable = new QLabel;
        m_mvAd = new QWidget;
        auto *inner = new QHBoxLayout(m_mvAd);
        inner->addWidget(m_mv = new QLabel(QStringLiteral("Sensor Voltage")));
        inner->addWidget(m_mvValue = new QLabel);
        inner->addWidget(m_ad = new QLabel(QStringLiteral("AD Code")));
        inner->addWidget(m_adValue = new QLabel);
        m_split = new QLabel;
        m_error = new QLabel;
        m_digButton = new QPushButton(m_panel);
        m_left = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
        m_right = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
        for (QWidget *w : {static_cast<QWidget *>(m_weight), static_cast<QWidget *>(m_net),
                           static_cast<QWidget *>(m_zero), static_cast<QWidget *>(m_stable)})
            row->addWidget(w);
        row->addItem(m_left);
        row->addWidget(m_mvAd);
        row->addItem(m_right);
        row->addWidget(m_split);
        row->addWidget(m_error);
        m_panel->show();
        LiveDisplay::Widgets w;
        w.weight = m_weight;
        w.netMark = m_net;
        w.zeroMark = m_zero;
        w.stableMark = m_stable;
        w.mvAdPanel = m_mvAd;
        w.mvTitle = m_mv;
        w.mvValue = m_mvValue;
        w.adTitle = m_ad;
        w.adValue = m_adValue;
        w.splitLine = m_split;
        w.spacerLeft = m_left;
        w.spacerRight = m_right;
        w.errorText = m_error;
        w.digSensorsButton = m_digButton;
        m_display.reset(new LiveDisplay(w));
    }
    void cleanup()
    {
        m_display.reset();
        delete m_panel;
    }

    void weightTextFollowsUnitAndDecimals()
    {
        gsrt_LiveVal.slot[0] = 12345;
        gsrt_CalPara.slot[CalDecimalSlot] = 2;
        gsrt_CalPara.slot[CalUnitSlot] = 1;
        m_display->refresh(true, false);
        QCOMPARE(m_weight->text(), QStringLiteral("123.45 kg"));
        gsrt_LiveVal.slot[0] = quint32(-500);
        gsrt_CalPara.slot[CalDecimalSlot] = 1;
        gsrt_CalPara.slot[CalUnitSlot] = 0;
        m_display->refresh(false, false);
        QCOMPARE(m_weight->text(), QStringLiteral("-50.0 t"));
        gsrt_LiveVal.slot[11] = 12345;
        m_display->refresh(false, false);
        QCOMPARE(m_mvValue->text(), QStringLiteral("1.2345 mV"));
    }

    // Units 4 and 5 read from the instrument name the weight, as the others do.
    void kilonewtonsAndNewtonsFromTheInstrumentNameTheWeight()
    {
        gsrt_LiveVal.slot[0] = 12345;
        quint16 unitAndDecimals[4] = {0, 4, 0, 2};
        StoreGroup(1, 0, unitAndDecimals);
        m_display->refresh(false, false);
        QCOMPARE(m_weight->text(), QStringLiteral("123.45 KN"));
        unitAndDecimals[1] = 5;
        StoreGroup(1, 0, unitAndDecimals);
        m_display->refresh(false, false);
        QCOMPARE(m_weight->text(), QStringLiteral("123.45 N"));
    }

    void overflowTextsAndTheirHold()
    {
        gsrt_CalPara.slot[CalDecimalSlot] = 0;
        gsrt_LiveVal.slot[1] = 0x08 | 0x04;
        gsrt_LiveVal.slot[0] = 9999999;
        m_display->refresh(false, false);
        QCOMPARE(m_weight->text(), QStringLiteral("-OFL"));

        gsrt_LiveVal.slot[1] = 0x08;
        m_display->refresh(false, false);
        QCOMPARE(m_weight->text(), QStringLiteral("OFL"));
        // The status word no longer changes; the reading 9999999 keeps the text.
        m_display->refresh(false, false);
        QCOMPARE(m_weight->text(), QStringLiteral("OFL"));
        gsrt_LiveVal.slot[0] = quint32(-9999999);
        m_display->refresh(false, false);
        QCOMPARE(m_weight->text(), QStringLiteral("OFL"));

        gsrt_LiveVal.slot[1] = 0;
        gsrt_LiveVal.slot[0] = 42;
        m_display->refresh(false, false);
        QCOMPARE(m_weight->text(), QStringLiteral("42 t"));
    }

    void marksFollowTheStatusBits()
    {
        gsrt_LiveVal.slot[1] = 0x03;
        gsrt_LiveVal.netFlag = 1;
        m_display->refresh(false, false);
        QVERIFY(m_stable->styleSheet().contains(QStringLiteral("Stable.png")));
        QVERIFY(m_zero->styleSheet().contains(QStringLiteral("Zero1.png")));
        QCOMPARE(m_net->text(), QStringLiteral("NET"));
        gsrt_LiveVal.slot[1] = 0;
        gsrt_LiveVal.netFlag = 0;
        m_display->refresh(false, false);
        QCOMPARE(m_stable->styleSheet(), QStringLiteral("border-image: None;"));
        QCOMPARE(m_zero->styleSheet(), QStringLiteral("border-image: None;"));
        QCOMPARE(m_net->text(), QString());
    }

    void errorMessageFromTheLowestBit()
    {
        gsrt_LiveVal.slot[2] = (1u << 3) | (1u << 5);
        m_display->refresh(false, false);
        QCOMPARE(m_error->text(), QStringLiteral("Non Stable"));
        m_display->refresh(true, true);
        QCOMPARE(m_error->text(), QStringLiteral("清零时不稳定"));
        QCOMPARE(m_error->styleSheet(), QStringLiteral("font-size: 25px;"));

        gsrt_LiveVal.slot[2] = 1u << 22;
        m_display->refresh(false, true);
        QCOMPARE(m_error->styleSheet(), QStringLiteral("font-size: 20px;"));

        gsrt_LiveVal.slot[2] = 1u << 14;
        m_display->refresh(false, false);
        QCOMPARE(m_error->text(), QString());

        gsrt_LiveVal.slot[2] = 0;
        m_display->refresh(false, true);
        QCOMPARE(m_error->text(), QStringLiteral("无"));
        m_display->refresh(true, false);
        QCOMPARE(m_error->text(), QStringLiteral("None"));

        QCOMPARE(InstrumentErrorText(7, false), QStringLiteral("Non Stable "));
        for (int bit : {13, 14, 15, 29})
            QVERIFY(InstrumentErrorText(bit, true).isEmpty());
        int longOnes = 0;
        for (int bit = 0; bit < 32; ++bit)
            longOnes += InstrumentErrorText(bit, true).size() > 14;
        QCOMPARE(longOnes, 1);
    }

    void unchangedPollRewritesOnlyTheWeight()
    {
        gsrt_LiveVal.slot[2] = 1u << 3;
        gsrt_LiveVal.slot[11] = 5;
        m_display->refresh(true, false);
        m_error->setText(QStringLiteral("marker"));
        m_mvValue->setText(QStringLiteral("marker"));
        m_weight->setText(QStringLiteral("marker"));
        m_display->refresh(false, false);
        QCOMPARE(m_error->text(), QStringLiteral("marker"));
        QCOMPARE(m_mvValue->text(), QStringLiteral("marker"));
        QVERIFY(m_weight->text() != QStringLiteral("marker"));
    }

    void instrumentKindFromTheSoftwareVersion()
    {
        gsrt_SysInf.slot[SoftVersionSlot] = 20001;
        m_display->refresh(false, false);
        QCOMPARE(gu8_DigSensorsType, 1);
        QVERIFY(m_ad->isVisible() && m_adValue->isVisible());
        QVERIFY(!m_mv->isVisible());
        QVERIFY(!m_digButton->isHidden());

        gsrt_SysInf.slot[SoftVersionSlot] = 10001;
        m_display->refresh(true, false);
        QCOMPARE(gu8_DigSensorsType, 0);
        QVERIFY(m_mv->isVisible());
        QVERIFY(!m_ad->isVisible());
        QVERIFY(m_digButton->isHidden());

        // A version outside both ranges keeps the kind from the settings file.
        gu8_DigSensorsType = 1;
        gsrt_SysInf.slot[SoftVersionSlot] = 5;
        m_display->refresh(true, false);
        QCOMPARE(gu8_DigSensorsType, 1);
    }

    void remoteOutputWayOneHidesTheSignalOnDigital()
    {
        gsrt_SysInf.slot[SoftVersionSlot] = 20001;
        gsrt_DigPara.slot[RemoteOutWaySlot] = 1;
        m_display->refresh(false, false);
        QVERIFY(m_mvAd->isHidden());
        QVERIFY(m_split->isHidden());
        QCOMPARE(m_left->sizeHint(), QSize(1, 1));
        gsrt_DigPara.slot[RemoteOutWaySlot] = 0;
        m_display->refresh(false, false);
        QVERIFY(!m_mvAd->isHidden());
        QCOMPARE(m_left->sizeHint(), QSize(40, 20));
        // On an analog instrument way 1 changes nothing.
        gsrt_SysInf.slot[SoftVersionSlot] = 10001;
        gsrt_DigPara.slot[RemoteOutWaySlot] = 1;
        m_display->refresh(true, false);
        QVERIFY(!m_mvAd->isHidden());
    }

    void borderRegions_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("region");
        // A 1150 x 800 window: W = 1149, H = 799.
        QTest::newRow("top edge") << 100 << 5 << 1;
        QTest::newRow("top edge limit y") << 100 << 9 << 1;
        QTest::newRow("below the top band") << 100 << 10 << 0;
        QTest::newRow("x = 10 is no edge") << 10 << 5 << 0;
        QTest::newRow("bottom edge") << 500 << 795 << 2;
        QTest::newRow("left edge") << 3 << 400 << 3;
        QTest::newRow("left edge needs y > 10") << 3 << 10 << 0;
        QTest::newRow("right edge") << 1145 << 400 << 4;
        QTest::newRow("gap left of the right corner") << 1135 << 5 << 0;
        QTest::newRow("top-left") << 2 << 2 << 5;
        QTest::newRow("top-right") << 1149 << 0 << 6;
        QTest::newRow("bottom-left") << 0 << 799 << 7;
        QTest::newRow("bottom-right") << 1141 << 790 << 8;
        QTest::newRow("bottom-right one below") << 1149 << 800 << 8;
        QTest::newRow("left side at H - 9") << 3 << 790 << 0;
        QTest::newRow("inside") << 500 << 400 << 0;
    }
    void borderRegions()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, region);
        QCOMPARE(BorderRegionAt(x, y, 1150, 800), region);
    }
};

QTEST_MAIN(TestLiveDisplay)
#include "tst_livedisplay.moc"
