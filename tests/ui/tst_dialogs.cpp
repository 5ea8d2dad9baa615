// The notice and password dialogs and the link parameter dialog, driven
// through their real widgets.
#include "inputdialog.h"
#include "languagefont.h"
#include "mesgBox.h"
#include "modbusparasetdialog.h"
#include "serialportitem.h"
#include "tipsdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include <functional>

namespace {

// Runs fn on the modal dialog as soon as its own event loop is running. A
// guard closes whatever is still open later, so a failed check cannot hang the suite.
void onModalDialog(std::function<void(QWidget *)> fn)
{
    QTimer::singleShot(0, [fn] {
        QWidget *dialog = QApplication::activeModalWidget();
        // Keys go to the focus widget, which the dialog has once it is active.
        if (dialog && !QTest::qWaitForWindowActive(dialog))
            qWarning("the modal dialog never became active");
        fn(dialog);
        QTimer::singleShot(10000, [] {
            if (QWidget *still = QApplication::activeModalWidget())
                still->close();
        });
    });
}

template <typename T> T *child(QWidget *dialog, const char *name)
{
    return dialog ? dialog->findChild<T *>(QLatin1String(name)) : nullptr;
}

void sendMouse(QWidget *target, QEvent::Type type, Qt::MouseButton button, QPoint screenPos)
{
    const QPoint local = target->mapFromGlobal(screenPos);
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, local, local, screenPos,
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

struct NoticeLook
{
    bool found = false;
    bool iconShown = false;
    QString iconStyle;
    bool okShown = false;
    bool cancelShown = false;
    QString title;
    QString message;
};

NoticeLook lookOf(QWidget *dialog)
{
    NoticeLook look;
    look.found = qobject_cast<TipsDialog *>(dialog) != nullptr;
    if (!look.found)
        return look;
    auto *icon = child<QLabel>(dialog, "label_iconType");
    look.iconShown = icon->isVisibleTo(dialog);
    look.iconStyle = icon->styleSheet();
    look.okShown = child<QPushButton>(dialog, "pushButton_ok")->isVisibleTo(dialog);
    look.cancelShown = child<QPushButton>(dialog, "pushButton_cancel")->isVisibleTo(dialog);
    look.title = child<QLabel>(dialog, "label_title")->text();
    look.message = child<QLabel>(dialog, "label_tipsMesg")->text();
    return look;
}

// The Chinese catalogue as far as one notice text goes.
class ChineseNotice : public QTranslator
{
public:
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "QObject") == 0 && qstrcmp(source, "Reset Successful!") == 0)
            return QString::fromUtf8("复位成功！");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("ZELT_HOME", m_home.path().toUtf8());
    }

    void cleanup() { gu32_Language = 0; }

    void noticeLookFollowsTheMessage_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("cancel");
        const QString success = QStringLiteral(":/images/icon/pic13.png");
        const QString failure = QStringLiteral(":/images/icon/pic12.png");
        QTest::newRow("reset successful") << "Reset Successful!" << success << true << false;
        QTest::newRow("import successful") << "Import Successful!" << success << true << false;
        QTest::newRow("export successful") << "Export Successful!" << success << true << false;
        QTest::newRow("reset failed") << "Reset Failed!" << failure << true << false;
        QTest::newRow("password failed") << "Password Failed!" << failure << true << false;
        QTest::newRow("operation failed")
            << "Operation Failed,Please try again!" << failure << true << false;
        QTest::newRow("import failed") << "Import Failed!" << failure << true << false;
        QTest::newRow("export failed") << "Export Failed!" << failure << true << false;
        QTest::newRow("start importing") << "Start Importing!" << QString() << false << false;
        QTest::newRow("start exporting") << "Start Exporting!" << QString() << false << false;
        QTest::newRow("question") << "Reset?" << QString() << true << true;
        QTest::newRow("unknown text") << "Anything else" << QString() << true << true;
    }
    void noticeLookFollowsTheMessage()
    {
        QFETCH(QString, message);
        QFETCH(QString, icon);
        QFETCH(bool, ok);
        QFETCH(bool, cancel);

        NoticeLook look;
        onModalDialog([&look](QWidget *dialog) {
            look = lookOf(dialog);
            // The title strip's close button is there in every look.
            QTest::mouseClick(child<QPushButton>(dialog, "pushButton"), Qt::LeftButton);
        });
        QVERIFY(!showNotice("Tip", message, 1, nullptr));

        QVERIFY(look.found);
        QCOMPARE(look.title, QStringLiteral("Tip"));
        QCOMPARE(look.message, message);
        QCOMPARE(look.iconShown, !icon.isEmpty());
        if (!icon.isEmpty())
            QCOMPARE(look.iconStyle, QStringLiteral("border-image: url(%1);").arg(icon));
        QCOMPARE(look.okShown, ok);
        QCOMPARE(look.cancelShown, cancel);
    }

    void translatedNoticeTextKeepsItsLook()
    {
        ChineseNotice chinese;
        QVERIFY(QCoreApplication::installTranslator(&chinese));
        NoticeLook look;
        onModalDialog([&look](QWidget *dialog) {
            look = lookOf(dialog);
            dialog->close();
        });
        showNotice("Tip", QString::fromUtf8("复位成功！"), 1, nullptr);
        QCoreApplication::removeTranslator(&chinese);
        QVERIFY(look.found);
        QVERIFY(look.iconShown);
        QVERIFY(look.iconStyle.contains("pic13.png"));
        QVERIFY(look.okShown);
        QVERIFY(!look.cancelShown);
    }

    void questionAnswerComesFromTheButtonOrKey_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("answer");
        QTest::newRow("Confirm") << "pushButton_ok" << true;
        QTest::newRow("Return") << "return" << true;
        QTest::newRow("keypad Enter") << "enter" << true;
        QTest::newRow("Cancel") << "pushButton_cancel" << false;
        QTest::newRow("close button") << "pushButton" << false;
        QTest::newRow("Escape") << "escape" << false;
    }
    void questionAnswerComesFromTheButtonOrKey()
    {
        QFETCH(QString, action);
        QFETCH(bool, answer);

        bool focused = true;
        onModalDialog([&](QWidget *dialog) {
            QWidget *focus = dialog->focusWidget();
            focused = focus != nullptr;
            if (action == "return")
                QTest::keyClick(focus, Qt::Key_Return);
            else if (action == "enter")
                QTest::keyClick(focus, Qt::Key_Enter, Qt::KeypadModifier);
            else if (action == "escape")
                QTest::keyClick(focus, Qt::Key_Escape);
            else
                QTest::mouseClick(child<QPushButton>(dialog, action.toLatin1().constData()),
                                  Qt::LeftButton);
        });
        QCOMPARE(showNotice("Tip", "Reset?", 1, nullptr), answer);
        QVERIFY(focused);
    }

    void returnConfirmsEvenWithTheFocusOnCancel()
    {
        onModalDialog([](QWidget *dialog) {
            auto *cancel = child<QPushButton>(dialog, "pushButton_cancel");
            cancel->setFocus();
            QTest::keyClick(cancel, Qt::Key_Return);
        });
        QVERIFY(showNotice("Tip", "Search?", 1, nullptr));
    }

    void timedNoticeClosesItselfUnanswered()
    {
        QWidget *shown = nullptr;
        bool openAtHalfTime = false;
        onModalDialog([&](QWidget *dialog) {
            shown = dialog;
            QTimer::singleShot(500, [&] {
                openAtHalfTime = QApplication::activeModalWidget() == shown && shown->isVisible();
            });
        });
        QVERIFY(!showNotice("Tip", "Reset Successful!", 0, nullptr));
        QVERIFY(shown);
        QVERIFY(openAtHalfTime);
    }

    void timedNoticeConfirmedEarlyLeavesNoTimerBehind()
    {
        QWidget parent;
        onModalDialog([](QWidget *dialog) {
            QTest::mouseClick(child<QPushButton>(dialog, "pushButton_ok"), Qt::LeftButton);
        });
        QVERIFY(showNotice("Tip", "Reset Failed!", 0, &parent));
        QVERIFY(parent.findChildren<TipsDialog *>().isEmpty());
        // The notice is gone; its one-second timer must not fire into freed memory.
        QTest::qWait(1200);
    }

    void passwordTakesTheTypedTextOnKeypadEnter()
    {
        QString title;
        onModalDialog([&title](QWidget *dialog) {
            title = child<QLabel>(dialog, "label_title")->text();
            auto *edit = child<QLineEdit>(dialog, "lineEdit_textStr");
            QCOMPARE(edit->echoMode(), QLineEdit::Normal);
            QTest::keyClicks(edit, "8520");
            QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
        });
        QCOMPARE(askPassword(nullptr), QStringLiteral("8520"));
        QCOMPARE(title, QStringLiteral("Password"));
    }

    void passwordClosedOrCancelledIsTheNullString_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("close button") << "pushButton";
        QTest::newRow("Cancel") << "pushButton_cancel";
    }
    void passwordClosedOrCancelledIsTheNullString()
    {
        QFETCH(QString, button);
        onModalDialog([button](QWidget *dialog) {
            QTest::keyClicks(child<QLineEdit>(dialog, "lineEdit_textStr"), "8520");
            QTest::mouseClick(child<QPushButton>(dialog, button.toLatin1().constData()),
                              Qt::LeftButton);
        });
        QVERIFY(askPassword(nullptr).isNull());
    }

    void dialogsAreFramelessAndUseTheLanguageFont()
    {
        gu32_Language = 1;
        TipsDialog tips;
        InputDialog input;
        ModbusParaSetDialog link;
        for (QWidget *dialog : {static_cast<QWidget *>(&tips), static_cast<QWidget *>(&input),
                                static_cast<QWidget *>(&link)}) {
            QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
            QVERIFY(dialog->windowFlags() & Qt::Dialog);
            const QFont font = child<QLabel>(dialog, "label_title")->font();
            QCOMPARE(font.family(), QStringLiteral("simhei"));
            QCOMPARE(font.pointSize(), 25);
        }
        gu32_Language = 0;
        TipsDialog english;
        QCOMPARE(child<QLabel>(&english, "label_title")->font().family(), QStringLiteral("arial"));
    }

    void languageChangeKeepsTheStyleSheetFontSize()
    {
        // The program's sheet names a font size for every widget: a switch of
        // language must not leave the labels at the language font's 25 points.
        qApp->setStyleSheet(QStringLiteral("QWidget { font-size: 14pt; }"));
        gu32_Language = 0;
        QWidget window;
        auto *label = new QLabel(QStringLiteral("text"), &window);
        // Composite widgets hand their font on to their parts: the field of a
        // date edit, the header of a table.
        auto *date = new QDateEdit(&window);
        auto *table = new QTableWidget(2, 2, &window);
        const auto sizes = [&] {
            return QVector<int>{label->font().pointSize(),
                                date->findChild<QLineEdit *>()->font().pointSize(),
                                table->horizontalHeader()->font().pointSize()};
        };
        ApplyLanguageFont(&window);
        window.show();
        QCOMPARE(sizes(), QVector<int>({14, 14, 14}));
        for (quint32 language : {1u, 0u}) {
            gu32_Language = language;
            ApplyLanguageFont(&window);
            QCOMPARE(sizes(), QVector<int>({14, 14, 14}));
        }
        qApp->setStyleSheet(QString());
    }

    void linkDialogRoundTripsTheSettings()
    {
        LinkSettings s;
        s.parity = 3;
        s.baud = 9600;
        s.dataBits = 7;
        s.slaveId = 17;
        s.dwordFormat = 1;
        s.responseTime = 300;
        s.EditIP = QStringLiteral("127.0.0.1");
        s.EditPort = QStringLiteral("1502");
        s.SerialNum = QStringLiteral("/dev/pts/9");

        ModbusParaSetDialog dialog;
        dialog.load(s);
        dialog.show();
        QCOMPARE(child<QComboBox>(&dialog, "comboBox_Parity")->currentText(),
                 QStringLiteral("ODD"));
        // A port the system does not list is kept as typed.
        QCOMPARE(child<QComboBox>(&dialog, "comboBox_Serial")->currentText(),
                 QStringLiteral("/dev/pts/9"));

        QTest::mouseClick(child<QPushButton>(&dialog, "pushButton_OK"), Qt::LeftButton);
        QVERIFY(dialog.isAccepted());
        QVERIFY(!dialog.isVisible());
        const LinkSettings r = dialog.result();
        QCOMPARE(r.parity, 3);
        QCOMPARE(r.baud, 9600);
        QCOMPARE(r.dataBits, 7);
        QCOMPARE(r.stopBits, 1);
        QCOMPARE(r.slaveId, 17);
        QCOMPARE(r.dwordFormat, 1);
        QCOMPARE(r.responseTime, 300);
        QCOMPARE(r.connectType, 0);
        QCOMPARE(r.EditIP, s.EditIP);
        QCOMPARE(r.EditPort, s.EditPort);
        QCOMPARE(r.SerialNum, s.SerialNum);
    }

    // OK keeps the framing that was loaded: both stop bit settings, and a
    // slave id inside the shared rule; 0 (a broadcast) is never offered.
    void stopBitsAndSlaveIdSurviveOk_data()
    {
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<int>("slaveId");
        QTest::addColumn<int>("shownId");
        QTest::newRow("1 stop bit") << 1 << 1 << 1;
        QTest::newRow("2 stop bits") << 2 << 99 << 99;
        QTest::newRow("slave 0 falls back to 1") << 2 << 0 << 1;
        QTest::newRow("slave 100 falls back to 1") << 1 << 100 << 1;
    }
    void stopBitsAndSlaveIdSurviveOk()
    {
        QFETCH(int, stopBits);
        QFETCH(int, slaveId);
        QFETCH(int, shownId);
        LinkSettings s;
        s.stopBits = stopBits;
        s.slaveId = slaveId;
        ModbusParaSetDialog dialog;
        dialog.load(s);
        dialog.show();
        auto *stop = child<QComboBox>(&dialog, "comboBox_StopBit");
        QCOMPARE(stop->count(), 2);
        QCOMPARE(stop->currentText(), QString::number(stopBits));
        QSpinBox *slave = child<QSpinBox>(&dialog, "spinBox_SlaveID");
        QCOMPARE(slave->minimum(), MinSlaveId);
        QCOMPARE(slave->maximum(), MaxSlaveId);
        QCOMPARE(slave->value(), shownId);

        // Typing 0 is not taken: the box keeps the id it had.
        slave->setFocus();
        slave->selectAll();
        QTest::keyClick(slave, Qt::Key_Delete);
        QTest::keyClicks(slave, QStringLiteral("0"));
        QTest::keyClick(slave, Qt::Key_Return);
        QCOMPARE(slave->value(), shownId);

        QTest::mouseClick(child<QPushButton>(&dialog, "pushButton_OK"), Qt::LeftButton);
        QCOMPARE(dialog.result().stopBits, stopBits);
        QCOMPARE(dialog.result().slaveId, shownId);
    }

    void parityNumbersMapOntoTheBox_data()
    {
        QTest::addColumn<int>("parity");
        QTest::addColumn<QString>("shown");
        QTest::newRow("none") << 0 << "NONE";
        QTest::newRow("even") << 2 << "EVEN";
        QTest::newRow("odd") << 3 << "ODD";
    }
    void parityNumbersMapOntoTheBox()
    {
        QFETCH(int, parity);
        QFETCH(QString, shown);
        LinkSettings s;
        s.parity = parity;
        ModbusParaSetDialog dialog;
        dialog.load(s);
        QCOMPARE(child<QComboBox>(&dialog, "comboBox_Parity")->currentText(), shown);
        dialog.show();
        QTest::mouseClick(child<QPushButton>(&dialog, "pushButton_OK"), Qt::LeftButton);
        QCOMPARE(dialog.result().parity, parity);
    }

    void tcpLayoutShowsOnlyTheNetworkFields()
    {
        LinkSettings s;
        s.connectType = 1;
        ModbusParaSetDialog dialog;
        dialog.load(s);
        dialog.show();
        const char *hidden[] = {"spinBox_SlaveID", "label_slaveID",     "comboBox_Serial",
                                "label_Serial",    "comboBox_BaudRate", "comboBox_DataBits",
                                "comboBox_Parity", "comboBox_StopBit"};
        const char *shown[] = {"lineEdit_HostIP",      "lineEdit_Port", "label_Port",
                               "comboBox_DwordFormat", "spinBox_Delay", "label_delay",
                               "comboBox_Protocol",    "pushButton_OK", "pushButton_close",
                               "label_title"};
        for (const char *name : hidden)
            QVERIFY2(!child<QWidget>(&dialog, name)->isVisible(), name);
        for (const char *name : shown)
            QVERIFY2(child<QWidget>(&dialog, name)->isVisible(), name);

        // Back to RTU with the keyboard: the serial fields return, host and port go.
        auto *protocol = child<QComboBox>(&dialog, "comboBox_Protocol");
        protocol->setFocus();
        QTest::keyClick(protocol, Qt::Key_Up);
        QCOMPARE(protocol->currentIndex(), 0);
        QVERIFY(child<QWidget>(&dialog, "spinBox_SlaveID")->isVisible());
        QVERIFY(child<QWidget>(&dialog, "comboBox_Serial")->isVisible());
        QVERIFY(!child<QWidget>(&dialog, "lineEdit_HostIP")->isVisible());
        QVERIFY(child<QWidget>(&dialog, "spinBox_Delay")->isVisible());
        QTest::keyClick(protocol, Qt::Key_Down);
        QVERIFY(!child<QWidget>(&dialog, "spinBox_SlaveID")->isVisible());
        QVERIFY(child<QWidget>(&dialog, "lineEdit_HostIP")->isVisible());
    }

    void closingWithoutOkChangesNothing()
    {
        LinkSettings s;
        s.baud = 115200;
        ModbusParaSetDialog dialog;
        dialog.load(s);
        dialog.show();
        child<QComboBox>(&dialog, "comboBox_BaudRate")->setCurrentIndex(0);
        QTest::mouseClick(child<QPushButton>(&dialog, "pushButton_close"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.isAccepted());
        QCOMPARE(dialog.result().baud, LinkSettings().baud);
    }

    void emptiedFieldsGetTheirPreviousValueBack()
    {
        LinkSettings s;
        s.responseTime = 300;
        s.connectType = 1;
        s.EditIP = QStringLiteral("127.0.0.1");
        ModbusParaSetDialog dialog;
        dialog.load(s);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto *protocolLabel = child<QLabel>(&dialog, "label_Protocol");

        auto *delay = child<QSpinBox>(&dialog, "spinBox_Delay");
        delay->setFocus();
        QTRY_VERIFY(delay->hasFocus());
        delay->clear();
        QVERIFY(delay->text().isEmpty());
        QTest::keyClick(delay, Qt::Key_Return);
        QCOMPARE(delay->value(), 300);
        QCOMPARE(delay->text(), QStringLiteral("300"));
        QVERIFY(protocolLabel->hasFocus());

        auto *ip = child<QLineEdit>(&dialog, "lineEdit_HostIP");
        ip->setFocus();
        QTRY_VERIFY(ip->hasFocus());
        ip->selectAll();
        QTest::keyClick(ip, Qt::Key_Backspace);
        QVERIFY(ip->text().isEmpty());
        QTest::keyClick(ip, Qt::Key_Return);
        QCOMPARE(ip->text(), s.EditIP);
        QVERIFY(protocolLabel->hasFocus());
    }

    void inputRulesRefuseBadHostAndPort()
    {
        ModbusParaSetDialog dialog;
        LinkSettings s;
        s.connectType = 1;
        dialog.load(s);
        dialog.show();
        auto *ip = child<QLineEdit>(&dialog, "lineEdit_HostIP");
        QTest::keyClicks(ip, "127.0.0.300");
        QCOMPARE(ip->text(), QStringLiteral("127.0.0.30"));
        auto *port = child<QLineEdit>(&dialog, "lineEdit_Port");
        QTest::keyClicks(port, "65536");
        QCOMPARE(port->text(), QStringLiteral("6553"));
        port->clear();
        QTest::keyClicks(port, "x502");
        QCOMPARE(port->text(), QStringLiteral("502"));
        QVERIFY(port->hasAcceptableInput());
        // Round ports and the top of the range can be typed too.
        for (const char *typed : {"10", "8080", "65000", "65535"}) {
            port->clear();
            QTest::keyClicks(port, typed);
            QCOMPARE(port->text(), QString::fromLatin1(typed));
            QVERIFY(port->hasAcceptableInput());
        }
        port->clear();
        QTest::keyClicks(port, "0");
        QCOMPARE(port->text(), QString());
    }

    void wheelNeverChangesAField()
    {
        ModbusParaSetDialog dialog;
        dialog.load(LinkSettings());
        dialog.show();
        auto *baud = child<QComboBox>(&dialog, "comboBox_BaudRate");
        const int before = baud->currentIndex();
        const QPoint centre = baud->rect().center();
        QWheelEvent wheel(centre, baud->mapToGlobal(centre), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(baud, &wheel);
        QCOMPARE(baud->currentIndex(), before);
    }

    void typedDevicePathBecomesThePortName()
    {
        ModbusParaSetDialog dialog;
        dialog.load(LinkSettings());
        dialog.show();
        auto *serial = child<QComboBox>(&dialog, "comboBox_Serial");
        QVERIFY(serial->isEditable());
        serial->clearEditText();
        QTest::keyClicks(serial->lineEdit(), "/dev/pts/7");
        QTest::mouseClick(child<QPushButton>(&dialog, "pushButton_OK"), Qt::LeftButton);
        QCOMPARE(dialog.result().SerialNum, QStringLiteral("/dev/pts/7"));
    }

    void portNameComesFromTheItemText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("listed port") << "USB Serial(ttyUSB0)"
                                     << "ttyUSB0";
        QTest::newRow("description with parentheses") << "Adapter (CH340)(COM3)"
                                                      << "COM3";
        QTest::newRow("typed path") << "/dev/pts/7"
                                    << "/dev/pts/7";
        QTest::newRow("blanks around") << "  /dev/ttyS1 "
                                       << "/dev/ttyS1";
        QTest::newRow("no closing parenthesis") << "odd(name"
                                                << "odd(name";
        QTest::newRow("empty") << ""
                               << "";
    }
    void portNameComesFromTheItemText()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QCOMPARE(PortNameFromItemText(text), name);
    }

    void onlyTheLeftButtonDragsTheDialog()
    {
        ModbusParaSetDialog dialog;
        dialog.load(LinkSettings());
        dialog.move(100, 100);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint start = dialog.pos();
        auto *grab = child<QLabel>(&dialog, "label_title");
        const QPoint press = grab->mapToGlobal(grab->rect().center());
        const QPoint delta(40, 25);

        sendMouse(grab, QEvent::MouseButtonPress, Qt::RightButton, press);
        sendMouse(grab, QEvent::MouseMove, Qt::RightButton, press + delta);
        sendMouse(grab, QEvent::MouseButtonRelease, Qt::RightButton, press + delta);
        QCOMPARE(dialog.pos(), start);

        sendMouse(grab, QEvent::MouseButtonPress, Qt::LeftButton, press);
        sendMouse(grab, QEvent::MouseMove, Qt::LeftButton, press + delta);
        QCOMPARE(dialog.pos(), start + delta);
        sendMouse(grab, QEvent::MouseButtonRelease, Qt::LeftButton, press + delta);
        // After the release the pointer moves on its own.
        sendMouse(grab, QEvent::MouseMove, Qt::NoButton, press + delta * 2);
        QCOMPARE(dialog.pos(), start + delta);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
