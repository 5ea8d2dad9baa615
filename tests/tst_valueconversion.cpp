// Text to raw value and raw value to text, and the change-detecting renderers.
#include "decimaltext.h"
#include "devicemodel.h"
#include "valuebinding.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

class TestValueConversion : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ClearMirror();
        ResetRenderCaches();
    }

    void scalingByTheDecimalSettingIsExact_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("raw");
        QTest::newRow("12.5 d2") << "12.5" << 2 << "1250";
        QTest::newRow("7 d0") << "7" << 0 << "7";
        QTest::newRow("1.5 d3") << "1.5" << 3 << "1500";
        QTest::newRow("3.5 d2") << "3.5" << 2 << "350";
        QTest::newRow("2.25 d3") << "2.25" << 3 << "2250";
        QTest::newRow("7. d1") << "7." << 1 << "70";
        QTest::newRow("-7 d2") << "-7" << 2 << "-700";
        QTest::newRow("rounds half up") << "0.125" << 2 << "13";
        QTest::newRow("rounds negative away") << "-0.125" << 2 << "-13";
        QTest::newRow("drops below half") << "1.234" << 2 << "123";
        QTest::newRow("carry") << "9.996" << 2 << "1000";
        QTest::newRow("no float loss above 2^24") << "16777217" << 0 << "16777217";
        QTest::newRow("no float loss with decimals") << "123456.78" << 2 << "12345678";
        QTest::newRow("0.1 is exact") << "0.1" << 4 << "1000";
        QTest::newRow("not a number") << "abc" << 2 << "0";
        QTest::newRow("empty") << "" << 2 << "0";
        QTest::newRow("lone minus") << "-" << 2 << "0";
        QTest::newRow("tiny negative is zero") << "-0.001" << 1 << "0";
    }
    void scalingByTheDecimalSettingIsExact()
    {
        QFETCH(QString, text);
        QFETCH(int, decimals);
        QFETCH(QString, raw);
        QCOMPARE(ScaleToRawText(text, decimals), raw);

        gsrt_CalPara.slot[CalDecimalSlot] = quint32(decimals);
        QLineEdit edit(text);
        QCOMPARE(ToRawText(&edit), raw);
    }

    void fixedFactorsWritePlainDecimals_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QString>("product");
        QTest::newRow("keeps a fraction") << "1234.55" << 1 << "12345.5";
        QTest::newRow("mV x 10000") << "1.2345" << 4 << "12345";
        QTest::newRow("coefficient") << "1.00000" << 5 << "100000";
        QTest::newRow("half coefficient") << "0.5" << 5 << "50000";
        QTest::newRow("duration") << "2.5" << 1 << "25";
        QTest::newRow("analog mA") << "4.5" << 3 << "4500";
        QTest::newRow("one million, not 1e+06") << "10" << 5 << "1000000";
        QTest::newRow("large, six digits") << "12.34567" << 5 << "1234570";
        QTest::newRow("rounded at six digits") << "1.234567" << 4 << "12345.7";
        QTest::newRow("negative") << "-0.25" << 3 << "-250";
        QTest::newRow("small fraction stays plain") << "0.000001" << 1 << "0.00001";
        QTest::newRow("not a number") << "x" << 3 << "0";
    }
    void fixedFactorsWritePlainDecimals()
    {
        QFETCH(QString, text);
        QFETCH(int, digits);
        QFETCH(QString, product);
        QCOMPARE(ScaleByFactorText(text, digits), product);
    }

    void rawValuesRenderWithTheDecimalSetting_data()
    {
        QTest::addColumn<qint64>("raw");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("shown");
        QTest::newRow("12345 d2") << qint64(12345) << 2 << "123.45";
        QTest::newRow("-5 d1") << qint64(-5) << 1 << "-0.5";
        QTest::newRow("7 d0") << qint64(7) << 0 << "7";
        QTest::newRow("0 d3") << qint64(0) << 3 << "0.000";
        QTest::newRow("5 d4") << qint64(5) << 4 << "0.0005";
        QTest::newRow("int min") << qint64(-2147483648LL) << 4 << "-214748.3648";
    }
    void rawValuesRenderWithTheDecimalSetting()
    {
        QFETCH(qint64, raw);
        QFETCH(int, decimals);
        QFETCH(QString, shown);
        QCOMPARE(FormatScaled(raw, decimals), shown);
    }

    void refreshRewritesOnlyChangedFieldsUntilTheDecimalsChange()
    {
        QLineEdit a, b;
        QLineEdit *edits[] = {&a, &b};
        quint32 cacheA = 0, cacheB = 0;
        quint32 *cached[] = {&cacheA, &cacheB};
        const quint32 *mirror[] = {&gsrt_CalPara.slot[6], &gsrt_CalPara.slot[7]};
        gsrt_CalPara.slot[CalDecimalSlot] = 2;
        gsrt_CalPara.slot[6] = 12345;
        gsrt_CalPara.slot[7] = quint32(-5);

        QVERIFY(RefreshLineEdits(edits, 2, cached, mirror, true));
        QCOMPARE(a.text(), QStringLiteral("123.45"));
        QCOMPARE(b.text(), QStringLiteral("-0.05"));

        // A field the user is typing into stays alone while its value is unchanged.
        a.setText(QStringLiteral("9"));
        gsrt_CalPara.slot[7] = 700;
        QVERIFY(!RefreshLineEdits(edits, 2, cached, mirror, false));
        QCOMPARE(a.text(), QStringLiteral("9"));
        QCOMPARE(b.text(), QStringLiteral("7.00"));

        // A new decimal setting redraws every field although no raw value changed.
        gsrt_CalPara.slot[CalDecimalSlot] = 1;
        QVERIFY(RefreshLineEdits(edits, 2, cached, mirror, false));
        QCOMPARE(a.text(), QStringLiteral("1234.5"));
        QCOMPARE(b.text(), QStringLiteral("70.0"));
    }

    void unitLabelsFollowTheUnitSetting()
    {
        QLabel first, second;
        QLabel *labels[] = {&first, &second};
        RefreshUnitLabels(labels, 2, false);
        QCOMPARE(first.text(), QString()); // unit 0 was already rendered: nothing to do

        RefreshUnitLabels(labels, 2, true);
        QCOMPARE(first.text(), QStringLiteral("t"));

        gsrt_CalPara.slot[CalUnitSlot] = 3;
        second.clear();
        RefreshUnitLabels(labels, 2, false);
        QCOMPARE(first.text(), QStringLiteral("lb"));
        QCOMPARE(second.text(), QStringLiteral("lb"));

        QVERIFY(!UnitChanged(false));
        gsrt_CalPara.slot[CalUnitSlot] = 5;
        QVERIFY(UnitChanged(false));
        QVERIFY(!UnitChanged(false));
        QVERIFY(UnitChanged(true));
        QCOMPARE(UnitName(5), QStringLiteral("N"));
        QCOMPARE(UnitName(4), QStringLiteral("KN"));
    }
};

QTEST_MAIN(TestValueConversion)
#include "tst_valueconversion.moc"
