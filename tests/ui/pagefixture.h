#pragma once

// What the page suites share: an instrument on loopback TCP, the program's
// client connected to it, the poll reads of the main window, and the ways a
// user edits a field or picks a combo box item.
#include "devicemodel.h"
#include "linkfixture.h"
#include "modbuslink.h"
#include "pagepoll.h"
#include "simhost.h"
#include "valuebinding.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>
#include <memory>

namespace pagetest {

constexpr int WriteMultiple = 16;

// The instrument and the program's link to it.
struct Bench
{
    QTemporaryDir home;
    std::unique_ptr<sim::SimHost> host;

    bool start()
    {
        qputenv("ZELT_HOME", home.path().toLocal8Bit());
        host = std::make_unique<sim::SimHost>(sim::Kind::Analog, 0);
        if (!host->startTcp())
            return false;
        gu32_SlaveId = 1;
        gu32_DwordFormat = 0;
        return connectTcpClient(host->port());
    }

    // A fresh instrument in the given word order, an empty mirror.
    void reset(int wordOrder = 0)
    {
        host->model().resetToDefaults();
        host->model().setWordOrder(wordOrder);
        host->model().setLiveFrozen(true);
        gu32_DwordFormat = quint32(wordOrder);
        ClearMirror();
        ResetRenderCaches();
        valueBeforeEdit.clear();
        host->clearLog();
    }

    sim::InstrumentModel &model() { return host->model(); }

    // Write requests that reached the instrument for this address.
    QVector<sim::LoggedRequest> writesTo(int address) const
    {
        QVector<sim::LoggedRequest> found;
        for (const sim::LoggedRequest &r : host->requestLog()) {
            if (r.function == WriteMultiple && r.address == address)
                found.append(r);
        }
        return found;
    }

    int requestsAt(int address) const
    {
        int n = 0;
        for (const sim::LoggedRequest &r : host->requestLog())
            n += r.address == address ? 1 : 0;
        return n;
    }
};

// The groups the main window reads, as it reads them.
inline bool readGroups(std::initializer_list<int> groups)
{
    LinkSettings base;
    for (int group : groups) {
        if (ReadGroup(base, group) != ModbusOk)
            return false;
    }
    return ReadRemoteEditCoils() == ModbusOk;
}

// The main window's own poll cycle: the live groups and coils first, then the
// groups of the page on screen (gu32_PageIndex), each page refreshed after its group.
// Register the pages the test keeps with routine.setPage.
struct PollCycle
{
    LinkSettings base;
    PagePoll routine{[this](int group) { return ReadGroup(base, group); }};

    bool run() { return routine.cycle() == ModbusOk; }
};

// The registers a pair value puts on the wire in the word order.
inline QVector<quint16> pairWords(quint32 value, int wordOrder)
{
    const quint16 high = quint16(value >> 16), low = quint16(value & 0xFFFF);
    return wordOrder == 0 ? QVector<quint16>{high, low} : QVector<quint16>{low, high};
}

// Clicks into the field, replaces its text by typing and, if asked, presses Return.
inline void typeEntry(QLineEdit *edit, const QString &text, bool pressReturn = true)
{
    QTest::mouseClick(edit, Qt::LeftButton);
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    if (pressReturn)
        QTest::keyClick(edit, Qt::Key_Return);
}

// Opens the pop-up list with the mouse, walks to the item with the arrow keys
// and takes it with Return.
inline void chooseItem(QComboBox *combo, const QString &text)
{
    const int wanted = combo->findText(text);
    QVERIFY2(wanted >= 0, qPrintable(text));
    QTest::mouseClick(combo, Qt::LeftButton);
    QAbstractItemView *list = combo->view();
    QTRY_VERIFY(list->isVisible());
    int at = list->currentIndex().row();
    for (; at < wanted; ++at)
        QTest::keyClick(list, Qt::Key_Down);
    for (; at > wanted; --at)
        QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(!list->isVisible());
    // The offscreen platform leaves the closed pop-up active; a desktop hands
    // activation back to the page's window.
    combo->window()->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), combo->window());
}

inline void turnWheel(QWidget *w, int steps)
{
    const QPoint at(w->width() / 2, w->height() / 2);
    QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &wheel);
}

// Answers the program's modal notices and password dialogs in turn as they open:
// each answer confirms or declines and, for the password dialog, types a text
// first. What every dialog showed is recorded; a dialog beyond the answers is
// declined and counted as unexpected.
class DialogScript : public QObject
{
public:
    struct Answer
    {
        bool confirm;
        QString typed = QString();
    };
    struct Seen
    {
        QString title;
        QString message;
    };

    explicit DialogScript(QList<Answer> answers = {}) : m_answers(std::move(answers))
    {
        connect(&m_watch, &QTimer::timeout, this, &DialogScript::answerOpenDialog);
        m_watch.start(5);
    }

    QVector<Seen> seen;
    int unexpected = 0;
    int unanswered() const { return m_answers.size(); }
    QStringList messages() const
    {
        QStringList texts;
        for (const Seen &s : seen)
            texts << s.message;
        return texts;
    }

private:
    void answerOpenDialog()
    {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->property("scriptAnswered").toBool())
            return;
        dialog->setProperty("scriptAnswered", true);
        const auto text = [dialog](const char *name) {
            auto *label = dialog->findChild<QLabel *>(QLatin1String(name));
            return label ? label->text() : QString();
        };
        seen.append({text("label_title"), text("label_tipsMesg")});
        Answer answer{false};
        if (m_answers.isEmpty())
            ++unexpected;
        else
            answer = m_answers.takeFirst();
        if (auto *entry = dialog->findChild<QLineEdit *>(QStringLiteral("lineEdit_textStr")))
            entry->setText(answer.typed);
        const char *button = answer.confirm ? "pushButton_ok" : "pushButton_cancel";
        QPointer<QPushButton> press = dialog->findChild<QPushButton *>(QLatin1String(button));
        // Pressed from the dialog's own loop, not from inside this timer's slot.
        QTimer::singleShot(0, dialog, [press] {
            if (press)
                press->click();
        });
    }

    QList<Answer> m_answers;
    QTimer m_watch;
};

inline QStringList itemTexts(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

template <typename T> T *child(QWidget *page, const char *name)
{
    T *found = page->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

} // namespace pagetest
