#pragma once

#include "calibrationguide.h"
#include "scaletest.h"

#include <QDialog>
#include <QElapsedTimer>
#include <functional>
#include <memory>

class PollHold;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class QTimer;

// The scale test window of the weight and calibration page: the standard,
// class and test loads, the test weights' identity, then the as-found test
// point by point, a guided calibration (zero, then the span weight as
// calibration point 1) and the as-left test. Polling is held while it is open:
// it reads the instrument itself between its own steps, so nothing else
// talks to the instrument meanwhile. The work is the Verification core's; this
// class shows it and relays the buttons.
class ScaleTestDialog : public QDialog
{
    Q_OBJECT

public:
    // How the window reaches the instrument; the page gives its normal write path.
    struct Instrument
    {
        // One poll: the reading and the error word.
        std::function<ModbusResult(Reading *, quint32 *errorWord)> read;
        // The calibration writes: ModbusCalibrationRefused or
        // ModbusCalibrationUnknown when the instrument's error word said no or
        // could not be read (LastCalibrationVerdict() tells which bit).
        std::function<ModbusResult()> captureZero;
        std::function<ModbusResult(qint64 weightCounts)> writeCalPoint1;
        // Whether the instrument shows a net weight (a test judges gross weights).
        std::function<ModbusResult(bool *net)> readNet;
        // The instrument's zero range (% of max): how far from zero it may be zeroed.
        quint32 zeroRangePercent = 2;
    };
    static constexpr int PollMs = 200;
    static constexpr int LostAfterFailures = 3;

    ScaleTestDialog(const ScaleRanges &ranges, int corners, const Instrument &instrument,
                    QWidget *parent = nullptr);
    ~ScaleTestDialog() override;

    // The readings are those of the live block, through the program's link.
    static Instrument linkInstrument();

    // What the window holds, for its own suite.
    const TestResult *asFound() const { return m_asFound.get(); }
    const TestResult *asLeft() const { return m_asLeft.get(); }

protected:
    void done(int result) override;

private:
    enum class Phase { Setup, AsFound, Calibration, AsLeft, Finished };

    enum class Action { None, Capture, Skip, Redo, Stop, Calibrate };

    QWidget *buildLiveStrip();
    QWidget *buildSetupPage();
    QWidget *buildTestPage();
    QWidget *buildCalibrationPage();
    void retranslate();
    void fillAccuracies();
    void suggestLoads();
    bool readSetup(ToleranceChoice *choice, QVector<PlanPoint> *plan, QString *error) const;
    void loadRemembered();
    void remember() const;

    void startTest(Phase phase);
    void startCalibration();
    void pollOnce();
    void feedTest(ModbusResult result, const Reading &reading);
    void feedCalibration(ModbusResult result, const Reading &reading);
    void actOnCalibration();
    void testFinished();
    void showLive(ModbusResult result, const Reading &reading);
    void showPoint();
    void fillTable();
    // A button's action runs at once, or after the read in progress.
    void request(Action action);
    void perform(Action action);
    void applySpanWeight();
    void calibrationBack();
    void showCalibrationCheck();
    qint64 now() const { return m_clock.elapsed(); }
    bool chinese() const;

    ScaleRanges m_ranges;
    int m_corners;
    Instrument m_instrument;
    std::unique_ptr<PollHold> m_hold;
    QTimer *m_poll;
    QElapsedTimer m_clock;
    Phase m_phase = Phase::Setup;
    ScaleTest m_test;
    CalibrationGuide m_guide;
    ToleranceChoice m_spec;
    QVector<PlanPoint> m_plan;
    std::unique_ptr<TestResult> m_asFound;
    std::unique_ptr<TestResult> m_asLeft;
    Reading m_lastReading;
    bool m_haveReading = false;
    int m_failures = 0;
    bool m_reading = false;
    bool m_testEnded = false;
    Action m_pending = Action::None;
    QString m_calWait; // why the wait for a settled reading ran out

    // Labels whose text is a fixed source text of this class.
    QVector<QPair<QLabel *, const char *>> m_captions;
    QLabel *caption(const char *source);

    QStackedWidget *m_pages;
    QWidget *m_liveStrip;
    // setup
    QLabel *m_rangeText;
    QComboBox *m_standard;
    QComboBox *m_class;
    QComboBox *m_accuracy;
    QLineEdit *m_loads;
    QPushButton *m_suggest;
    QCheckBox *m_decreasing;
    QSpinBox *m_cornerCount;
    QSpinBox *m_repeats;
    QCheckBox *m_returnToZero;
    QLineEdit *m_weightSet;
    QLineEdit *m_certificate;
    QDateEdit *m_dueDate;
    QCheckBox *m_automatic;
    QCheckBox *m_flicker;
    QLabel *m_setupError;
    QPushButton *m_start;
    // the live weight, above the test and calibration pages
    QLabel *m_phaseTitle;
    QLabel *m_weight;
    QLabel *m_stable;
    // test
    QLabel *m_instruction;
    QLabel *m_message;
    QTableWidget *m_table;
    QPushButton *m_capture;
    QPushButton *m_skip;
    QPushButton *m_redo;
    QPushButton *m_stop;
    QLabel *m_verdict;
    QPushButton *m_calibrate;
    QPushButton *m_testAsLeft;
    QPushButton *m_close;
    // calibration
    QLabel *m_calInstruction;
    QLineEdit *m_spanWeight;
    QPushButton *m_calAct;
    QPushButton *m_calBack;
    QLabel *m_calCheck;
    QLabel *m_calLog;
    QPushButton *m_calToAsLeft;
};
