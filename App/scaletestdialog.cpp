#include "scaletestdialog.h"

#include "decimaltext.h"
#include "devicemodel.h"
#include "filepaths.h"
#include "languagefont.h"
#include "livereading.h"
#include "pollhold.h"
#include "testreport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int ErrorWordSlot = 2;
// The basic block's zero range (register 54), % of max.
constexpr int ZeroRangeSlot = 2;
// The earliest date the due date field holds: it stands for "not given".
const QDate NoDueDate(2000, 1, 1);
// The capture rule of the window: a reading stable and unchanged this long.
constexpr int SettleMs = 1000;
constexpr int PointTimeoutMs = 60000;
const char SettingsGroup[] = "ScaleTest";
const char AsFound[] = "as found";
const char AsLeft[] = "as left";
const char RecordSource[] = "scale test window";

CaptureSettings captureSettings(int flickerDivisions = 0)
{
    CaptureSettings c;
    c.settleMs = SettleMs;
    c.timeoutMs = PointTimeoutMs;
    c.flickerDivisions = flickerDivisions;
    return c;
}

// The style sheet decides font sizes, so labels that stand out say so there.
void styleLabel(QLabel *label, int points, const char *color = "black")
{
    label->setStyleSheet(
        QStringLiteral("font-size: %1pt; font-weight: bold; color: %2;").arg(points).arg(color));
}

QLabel *bigLabel(int points)
{
    auto *label = new QLabel;
    styleLabel(label, points);
    return label;
}

} // namespace

ScaleTestDialog::Instrument ScaleTestDialog::linkInstrument()
{
    Instrument instrument;
    instrument.read = [](Reading *reading, quint32 *errorWord) {
        const ModbusResult r = ReadTestReading(LinkSettings(), reading);
        if (r == ModbusOk && errorWord)
            *errorWord = gsrt_LiveVal.slot[ErrorWordSlot];
        return r;
    };
    instrument.readNet = [](bool *net) {
        const ModbusResult r = ReadNetCoil();
        if (r == ModbusOk && net)
            *net = gsrt_LiveVal.netFlag != 0;
        return r;
    };
    instrument.zeroRangePercent = gsrt_BasicPara.slot[ZeroRangeSlot];
    return instrument;
}

ScaleTestDialog::ScaleTestDialog(const ScaleRanges &ranges, int corners,
                                 const Instrument &instrument, QWidget *parent)
    : QDialog(parent), m_ranges(ranges), m_corners(corners), m_instrument(instrument),
      m_poll(new QTimer(this))
{
    setObjectName(QStringLiteral("ScaleTestDialog"));
    QFont family = font();
    family.setFamily(chinese() ? QStringLiteral("simhei") : QStringLiteral("arial"));
    setFont(family);
    m_poll->setSingleShot(true);
    m_poll->setInterval(PollMs);
    connect(m_poll, &QTimer::timeout, this, &ScaleTestDialog::pollOnce);
    m_clock.start();

    m_pages = new QStackedWidget;
    m_pages->addWidget(buildSetupPage());
    m_pages->addWidget(buildTestPage());
    m_pages->addWidget(buildCalibrationPage());
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildLiveStrip());
    layout->addWidget(m_pages, 1);
    m_liveStrip->hide();

    loadRemembered();
    retranslate();
    if (m_loads->text().trimmed().isEmpty())
        suggestLoads();
    resize(1080, 660);
}

ScaleTestDialog::~ScaleTestDialog() = default;

QWidget *ScaleTestDialog::buildLiveStrip()
{
    m_liveStrip = new QWidget;
    auto *row = new QHBoxLayout(m_liveStrip);
    row->setContentsMargins(0, 0, 0, 0);
    m_phaseTitle = bigLabel(14);
    m_weight = bigLabel(22);
    m_weight->setObjectName(QStringLiteral("labelTestWeight"));
    m_weight->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_weight->setMinimumWidth(220);
    m_stable = new QLabel;
    m_stable->setObjectName(QStringLiteral("labelTestStable"));
    m_stable->setMinimumWidth(90);
    row->addWidget(m_phaseTitle);
    row->addStretch(1);
    row->addWidget(m_weight);
    row->addWidget(m_stable);
    return m_liveStrip;
}

QLabel *ScaleTestDialog::caption(const char *source)
{
    auto *label = new QLabel;
    m_captions.append({label, source});
    return label;
}

QWidget *ScaleTestDialog::buildSetupPage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    m_rangeText = new QLabel;
    m_rangeText->setObjectName(QStringLiteral("labelTestRanges"));
    m_rangeText->setWordWrap(true);
    m_standard = new QComboBox;
    m_standard->setObjectName(QStringLiteral("cBoxTestStandard"));
    m_standard->addItem(QString(), int(TestStandard::OimlR76));
    m_standard->addItem(QString(), int(TestStandard::Hb44));
    m_class = new QComboBox;
    m_class->setObjectName(QStringLiteral("cBoxTestClass"));
    for (AccuracyClass c :
         {AccuracyClass::I, AccuracyClass::II, AccuracyClass::III, AccuracyClass::IIII})
        m_class->addItem(Tolerances::classKey(c), int(c));
    m_class->setCurrentIndex(2);
    m_accuracy = new QComboBox;
    m_accuracy->setObjectName(QStringLiteral("cBoxTestAccuracy"));
    m_loads = new QLineEdit;
    m_loads->setObjectName(QStringLiteral("EditTestLoads"));
    m_suggest = new QPushButton;
    auto *loadsRow = new QHBoxLayout;
    loadsRow->addWidget(m_loads, 1);
    loadsRow->addWidget(m_suggest);
    m_decreasing = new QCheckBox;
    m_decreasing->setChecked(true);
    m_cornerCount = new QSpinBox;
    m_cornerCount->setObjectName(QStringLiteral("spinTestCorners"));
    // each support of the platform once, no more
    m_cornerCount->setRange(0, qBound(0, m_corners, 8));
    m_cornerCount->setValue(qBound(0, m_corners, 8));
    m_repeats = new QSpinBox;
    m_repeats->setObjectName(QStringLiteral("spinTestRepeats"));
    m_repeats->setRange(0, 10);
    m_returnToZero = new QCheckBox;
    m_returnToZero->setChecked(true);
    m_weightSet = new QLineEdit;
    m_weightSet->setObjectName(QStringLiteral("EditTestWeightSet"));
    m_certificate = new QLineEdit;
    m_certificate->setObjectName(QStringLiteral("EditTestCertificate"));
    // No date is made up: the field says "not given" until one is chosen.
    m_dueDate = new QDateEdit(NoDueDate);
    m_dueDate->setMinimumDate(NoDueDate);
    m_dueDate->setObjectName(QStringLiteral("dateTestWeightsDue"));
    m_dueDate->setCalendarPopup(true);
    m_dueDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_automatic = new QCheckBox;
    m_automatic->setObjectName(QStringLiteral("checkTestAutomatic"));
    m_automatic->setChecked(true);
    m_flicker = new QCheckBox;
    m_flicker->setObjectName(QStringLiteral("checkTestFlicker"));
    m_setupError = new QLabel;
    m_setupError->setObjectName(QStringLiteral("labelTestSetupError"));
    m_setupError->setStyleSheet(QStringLiteral("color: red;"));
    m_setupError->setWordWrap(true);
    m_start = new QPushButton;
    m_start->setObjectName(QStringLiteral("BtnStartTest"));

    form->addRow(m_rangeText);
    form->addRow(caption(QT_TR_NOOP("Standard:")), m_standard);
    form->addRow(caption(QT_TR_NOOP("Class:")), m_class);
    form->addRow(caption(QT_TR_NOOP("Tolerance:")), m_accuracy);
    form->addRow(caption(QT_TR_NOOP("Test loads:")), loadsRow);
    form->addRow(QString(), m_decreasing);
    form->addRow(caption(QT_TR_NOOP("Eccentricity corners:")), m_cornerCount);
    form->addRow(caption(QT_TR_NOOP("Repeatability weighings:")), m_repeats);
    form->addRow(QString(), m_returnToZero);
    form->addRow(caption(QT_TR_NOOP("Test weight set:")), m_weightSet);
    form->addRow(caption(QT_TR_NOOP("Certificate no.:")), m_certificate);
    form->addRow(caption(QT_TR_NOOP("Calibration due:")), m_dueDate);
    form->addRow(QString(), m_automatic);
    form->addRow(QString(), m_flicker);
    form->addRow(m_setupError);
    form->addRow(m_start);

    connect(m_standard, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ScaleTestDialog::fillAccuracies);
    connect(m_suggest, &QPushButton::clicked, this, &ScaleTestDialog::suggestLoads);
    connect(m_start, &QPushButton::clicked, this, [this] { startTest(Phase::AsFound); });
    return page;
}

QWidget *ScaleTestDialog::buildTestPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    m_instruction = bigLabel(16);
    m_instruction->setObjectName(QStringLiteral("labelTestInstruction"));
    m_instruction->setWordWrap(true);
    m_message = new QLabel;
    m_message->setObjectName(QStringLiteral("labelTestMessage"));
    m_message->setWordWrap(true);
    m_table = new QTableWidget;
    m_table->setObjectName(QStringLiteral("tableTestPoints"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->setStyleSheet(QStringLiteral("font-size: 12pt;"));
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_capture = new QPushButton;
    m_capture->setObjectName(QStringLiteral("BtnTestCapture"));
    m_skip = new QPushButton;
    m_skip->setObjectName(QStringLiteral("BtnTestSkip"));
    m_redo = new QPushButton;
    m_redo->setObjectName(QStringLiteral("BtnTestRedo"));
    m_stop = new QPushButton;
    m_stop->setObjectName(QStringLiteral("BtnTestStop"));
    m_verdict = bigLabel(13);
    m_verdict->setObjectName(QStringLiteral("labelTestVerdict"));
    m_verdict->setWordWrap(true);
    m_calibrate = new QPushButton;
    m_calibrate->setObjectName(QStringLiteral("BtnTestCalibrate"));
    m_testAsLeft = new QPushButton;
    m_testAsLeft->setObjectName(QStringLiteral("BtnTestAsLeft"));
    m_close = new QPushButton;
    m_close->setObjectName(QStringLiteral("BtnTestClose"));

    auto *steps = new QHBoxLayout;
    for (QPushButton *b : {m_capture, m_skip, m_redo, m_stop}) {
        b->setMinimumSize(120, 34);
        steps->addWidget(b);
    }
    steps->addStretch(1);
    auto *after = new QHBoxLayout;
    after->addWidget(m_verdict, 1);
    for (QPushButton *b : {m_calibrate, m_testAsLeft, m_close}) {
        b->setMinimumSize(140, 34);
        after->addWidget(b);
    }
    layout->addWidget(m_instruction);
    layout->addWidget(m_message);
    layout->addLayout(steps);
    layout->addWidget(m_table, 1);
    layout->addLayout(after);

    connect(m_capture, &QPushButton::clicked, this, [this] { request(Action::Capture); });
    connect(m_skip, &QPushButton::clicked, this, [this] { request(Action::Skip); });
    connect(m_redo, &QPushButton::clicked, this, [this] { request(Action::Redo); });
    connect(m_stop, &QPushButton::clicked, this, [this] { request(Action::Stop); });
    connect(m_calibrate, &QPushButton::clicked, this, &ScaleTestDialog::startCalibration);
    connect(m_testAsLeft, &QPushButton::clicked, this, [this] { startTest(Phase::AsLeft); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    return page;
}

QWidget *ScaleTestDialog::buildCalibrationPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    m_calInstruction = bigLabel(16);
    m_calInstruction->setObjectName(QStringLiteral("labelCalInstruction"));
    m_calInstruction->setWordWrap(true);
    m_spanWeight = new QLineEdit;
    m_spanWeight->setObjectName(QStringLiteral("EditSpanWeight"));
    m_spanWeight->setMaximumWidth(160);
    m_calAct = new QPushButton;
    m_calAct->setObjectName(QStringLiteral("BtnCalAct"));
    m_calAct->setMinimumSize(180, 34);
    m_calBack = new QPushButton;
    m_calBack->setObjectName(QStringLiteral("BtnCalBack"));
    m_calBack->setMinimumSize(120, 34);
    m_calCheck = new QLabel;
    m_calCheck->setObjectName(QStringLiteral("labelCalCheck"));
    m_calCheck->setWordWrap(true);
    // room for two lines whatever it says, so the buttons below never move
    // under the technician's pointer
    m_calCheck->setMinimumHeight(2 * m_calCheck->fontMetrics().lineSpacing() + 6);
    m_calCheck->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_calLog = new QLabel;
    m_calLog->setObjectName(QStringLiteral("labelCalLog"));
    m_calLog->setWordWrap(true);
    m_calLog->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_calToAsLeft = new QPushButton;
    m_calToAsLeft->setObjectName(QStringLiteral("BtnCalAsLeft"));
    m_calToAsLeft->setMinimumSize(140, 34);
    auto *spanRow = new QHBoxLayout;
    spanRow->addWidget(caption(QT_TR_NOOP("Span weight:")));
    spanRow->addWidget(m_spanWeight);
    spanRow->addStretch(1);
    auto *actRow = new QHBoxLayout;
    actRow->addWidget(m_calAct);
    actRow->addWidget(m_calBack);
    actRow->addStretch(1);
    layout->addWidget(m_calInstruction);
    layout->addLayout(spanRow);
    layout->addWidget(m_calCheck);
    layout->addLayout(actRow);
    layout->addWidget(m_calLog, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_calToAsLeft);
    layout->addLayout(bottom);

    connect(m_spanWeight, &QLineEdit::editingFinished, this, &ScaleTestDialog::applySpanWeight);
    connect(m_calAct, &QPushButton::clicked, this, [this] { request(Action::Calibrate); });
    connect(m_calBack, &QPushButton::clicked, this, &ScaleTestDialog::calibrationBack);
    connect(m_calToAsLeft, &QPushButton::clicked, this, [this] { startTest(Phase::AsLeft); });
    return page;
}

void ScaleTestDialog::retranslate()
{
    setWindowTitle(tr("Scale Test"));
    QStringList ranges;
    for (int i = 0; i < m_ranges.ranges.size(); ++i) {
        const WeighingRange &r = m_ranges.ranges.at(i);
        ranges.append(tr("Range %1: max %2, e = %3 (%4 e)")
                          .arg(i + 1)
                          .arg(m_ranges.weightText(r.fullScale), m_ranges.weightText(r.division))
                          .arg(r.division > 0 ? r.fullScale / r.division : 0));
    }
    m_rangeText->setText(ranges.join(QLatin1Char('\n')));
    m_standard->setItemText(0, tr("OIML R 76"));
    m_standard->setItemText(1, tr("NIST Handbook 44"));
    fillAccuracies();
    for (const auto &c : qAsConst(m_captions))
        c.first->setText(tr(c.second));
    m_repeats->setSpecialValueText(tr("none"));
    m_cornerCount->setSpecialValueText(tr("none"));
    m_dueDate->setSpecialValueText(tr("not given"));
    m_suggest->setText(tr("Suggest"));
    m_decreasing->setText(tr("Then the same loads decreasing"));
    m_returnToZero->setText(tr("Return to zero at the end"));
    m_automatic->setText(tr("Capture by itself when the load is on and stable"));
    m_flicker->setText(tr("Take a stable reading whose last digit flickers by one division"));
    m_start->setText(tr("Start the as-found test"));
    m_capture->setText(tr("Capture"));
    m_skip->setText(tr("Skip"));
    m_redo->setText(tr("Redo selected"));
    m_stop->setText(tr("Stop"));
    m_calibrate->setText(tr("Calibrate..."));
    m_testAsLeft->setText(tr("Test as left"));
    m_close->setText(tr("Close"));
    m_calToAsLeft->setText(tr("Test as left"));
    m_calBack->setText(tr("Back"));
}

bool ScaleTestDialog::chinese() const
{
    return gu32_Language != 0;
}

void ScaleTestDialog::fillAccuracies()
{
    const auto standard = TestStandard(m_standard->currentData().toInt());
    const int keep = m_accuracy->currentIndex();
    m_accuracy->clear();
    if (standard == TestStandard::Hb44) {
        m_accuracy->addItem(tr("acceptance"), int(Accuracy::Acceptance));
        m_accuracy->addItem(tr("maintenance"), int(Accuracy::Maintenance));
    } else {
        m_accuracy->addItem(tr("initial verification"), int(Accuracy::Initial));
        m_accuracy->addItem(tr("in service"), int(Accuracy::InService));
    }
    m_accuracy->setCurrentIndex(qMax(0, keep));
}

void ScaleTestDialog::suggestLoads()
{
    QStringList texts;
    for (qint64 load : TestPlans::suggestedLoads(m_ranges))
        texts.append(FormatScaled(load, m_ranges.decimals));
    m_loads->setText(texts.join(QStringLiteral(", ")));
}

bool ScaleTestDialog::readSetup(ToleranceChoice *choice, QVector<PlanPoint> *plan,
                                QString *error) const
{
    choice->standard = TestStandard(m_standard->currentData().toInt());
    choice->accuracyClass = AccuracyClass(m_class->currentData().toInt());
    choice->accuracy = Accuracy(m_accuracy->currentData().toInt());
    if (!Tolerances::check(*choice, error))
        return false;
    QVector<qint64> loads;
    for (const QString &text : m_loads->text().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        qint64 load = 0;
        if (!ScaleRangeReader::parseWeight(text.trimmed(), m_ranges.decimals, &load, error))
            return false;
        loads.append(load);
    }
    std::sort(loads.begin(), loads.end());
    PlanOptions options;
    options.decreasing = m_decreasing->isChecked();
    options.corners = m_cornerCount->value();
    options.supports = m_corners;
    options.repeatability = m_repeats->value();
    options.returnToZero = m_returnToZero->isChecked();
    if (options.corners > 0 && !TestPlans::checkCorners(options.corners, m_corners, error))
        return false;
    *plan = TestPlans::build(m_ranges, loads, options);
    return TestPlans::check(*plan, m_ranges, error);
}

void ScaleTestDialog::loadRemembered()
{
    QSettings file(SettingsFilePath(), QSettings::IniFormat);
    file.beginGroup(QLatin1String(SettingsGroup));
    auto select = [](QComboBox *box, const QVariant &value) {
        const int index = box->findData(value);
        if (index >= 0)
            box->setCurrentIndex(index);
    };
    select(m_standard, file.value(QStringLiteral("standard"), int(TestStandard::OimlR76)));
    fillAccuracies();
    select(m_class, file.value(QStringLiteral("class"), int(AccuracyClass::III)));
    select(m_accuracy, file.value(QStringLiteral("accuracy")));
    m_weightSet->setText(file.value(QStringLiteral("weightSet")).toString());
    m_certificate->setText(file.value(QStringLiteral("certificate")).toString());
    const QDate due = file.value(QStringLiteral("dueDate")).toDate();
    if (due.isValid())
        m_dueDate->setDate(due);
    m_automatic->setChecked(file.value(QStringLiteral("automatic"), true).toBool());
    m_flicker->setChecked(file.value(QStringLiteral("flicker"), false).toBool());
    // The plan as it was last run; loads only while the scale's max is the same.
    if (file.value(QStringLiteral("max")).toLongLong() == m_ranges.max() &&
        file.value(QStringLiteral("decimals")).toInt() == m_ranges.decimals)
        m_loads->setText(file.value(QStringLiteral("loads")).toString());
    m_decreasing->setChecked(file.value(QStringLiteral("decreasing"), true).toBool());
    if (file.contains(QStringLiteral("corners")))
        m_cornerCount->setValue(file.value(QStringLiteral("corners")).toInt());
    m_repeats->setValue(file.value(QStringLiteral("repeatability"), 0).toInt());
    m_returnToZero->setChecked(file.value(QStringLiteral("returnToZero"), true).toBool());
}

void ScaleTestDialog::remember() const
{
    QSettings file(SettingsFilePath(), QSettings::IniFormat);
    file.beginGroup(QLatin1String(SettingsGroup));
    file.setValue(QStringLiteral("standard"), m_standard->currentData());
    file.setValue(QStringLiteral("class"), m_class->currentData());
    file.setValue(QStringLiteral("accuracy"), m_accuracy->currentData());
    file.setValue(QStringLiteral("weightSet"), m_weightSet->text());
    file.setValue(QStringLiteral("certificate"), m_certificate->text());
    file.setValue(QStringLiteral("dueDate"), m_dueDate->date());
    file.setValue(QStringLiteral("automatic"), m_automatic->isChecked());
    file.setValue(QStringLiteral("flicker"), m_flicker->isChecked());
    file.setValue(QStringLiteral("max"), m_ranges.max());
    file.setValue(QStringLiteral("decimals"), m_ranges.decimals);
    file.setValue(QStringLiteral("loads"), m_loads->text());
    file.setValue(QStringLiteral("decreasing"), m_decreasing->isChecked());
    file.setValue(QStringLiteral("corners"), m_cornerCount->value());
    file.setValue(QStringLiteral("repeatability"), m_repeats->value());
    file.setValue(QStringLiteral("returnToZero"), m_returnToZero->isChecked());
}

void ScaleTestDialog::startTest(Phase phase)
{
    QString error;
    if (phase == Phase::AsFound && !readSetup(&m_spec, &m_plan, &error)) {
        m_setupError->setText(error);
        return;
    }
    // A tare shifts every reading: the test judges gross weights.
    bool net = false;
    const ModbusResult netRead = m_instrument.readNet ? m_instrument.readNet(&net) : ModbusOk;
    if (netRead != ModbusOk || net) {
        const QString why =
            netRead != ModbusOk
                ? tr("The net state could not be read; check the link.")
                : tr("The instrument shows a net weight: clear the tare first, a test judges "
                     "gross weights.");
        if (phase == Phase::AsFound)
            m_setupError->setText(why);
        else
            m_verdict->setText(why);
        return;
    }
    const auto given = [this](const QString &text) {
        return text.simplified().isEmpty() ? tr("not given") : text.simplified();
    };
    m_test = ScaleTest();
    m_test.setPhase(QLatin1String(phase == Phase::AsFound ? AsFound : AsLeft));
    m_test.setAutomatic(m_automatic->isChecked());
    m_test.setTestWeights(tr("set %1, certificate %2, due %3")
                              .arg(given(m_weightSet->text()), given(m_certificate->text()),
                                   m_dueDate->date() == NoDueDate
                                       ? tr("not given")
                                       : m_dueDate->date().toString(Qt::ISODate)));
    if (!m_test.begin(m_spec, m_ranges, m_plan, captureSettings(m_flicker->isChecked() ? 1 : 0),
                      &error)) {
        m_setupError->setText(error);
        return;
    }
    remember();
    m_testEnded = false;
    m_setupError->clear();
    m_phase = phase;
    if (!m_hold)
        m_hold = std::make_unique<PollHold>();
    m_phaseTitle->setText(phase == Phase::AsFound ? tr("As found") : tr("As left"));
    m_liveStrip->show();
    m_pages->setCurrentIndex(1);
    m_message->clear();
    m_verdict->clear();
    for (QPushButton *b : {m_calibrate, m_testAsLeft, m_close})
        b->hide();
    for (QPushButton *b : {m_capture, m_skip, m_redo, m_stop})
        b->show();
    if (m_automatic->isChecked())
        m_test.arm(now());
    fillTable();
    showPoint();
    m_poll->start();
}

void ScaleTestDialog::request(Action action)
{
    if (m_reading)
        m_pending = action; // the link is busy with a read: after it
    else
        perform(action);
}

void ScaleTestDialog::perform(Action action)
{
    const bool testing =
        (m_phase == Phase::AsFound || m_phase == Phase::AsLeft) && m_test.current() >= 0;
    switch (action) {
    case Action::None:
        return;
    case Action::Capture:
        // the load is on: wait for it to settle (again, after a timeout)
        if (testing) {
            m_test.arm(now());
            m_message->setText(tr("Waiting for a stable reading..."));
        }
        break;
    case Action::Skip:
        if (testing) {
            m_test.skip();
            if (m_test.current() >= 0 && m_automatic->isChecked())
                m_test.arm(now());
        }
        break;
    case Action::Redo: {
        // a point taken again while the test runs; a finished test is on the record
        const int row = m_table->currentRow();
        if (testing && row >= 0 && row < m_plan.size()) {
            m_test.redo(row);
            if (m_automatic->isChecked())
                m_test.arm(now());
        }
        break;
    }
    case Action::Stop:
        if (testing)
            m_test.stop(tr("stopped in the window"));
        break;
    case Action::Calibrate:
        if (m_phase == Phase::Calibration && m_guide.ready())
            actOnCalibration();
        break;
    }
    if (testing) {
        fillTable();
        if (m_test.current() < 0)
            testFinished();
        else
            showPoint();
    }
}

void ScaleTestDialog::pollOnce()
{
    if (m_phase == Phase::Setup || m_phase == Phase::Finished)
        return;
    Reading reading;
    quint32 errorWord = 0;
    m_reading = true;
    const ModbusResult result =
        m_instrument.read ? m_instrument.read(&reading, &errorWord) : ModbusNoLink;
    m_reading = false;
    m_failures = result == ModbusOk ? 0 : m_failures + 1;
    showLive(result, reading);
    if (m_phase == Phase::AsFound || m_phase == Phase::AsLeft)
        feedTest(result, reading);
    else if (m_phase == Phase::Calibration)
        feedCalibration(result, reading);
    const Action pending = m_pending;
    m_pending = Action::None;
    perform(pending);
    const bool running =
        m_phase == Phase::Calibration ||
        ((m_phase == Phase::AsFound || m_phase == Phase::AsLeft) && m_test.current() >= 0);
    if (running && isVisible())
        m_poll->start();
}

void ScaleTestDialog::feedTest(ModbusResult result, const Reading &reading)
{
    if (m_test.current() < 0)
        return;
    if (result != ModbusOk && (result == ModbusNoLink || m_failures >= LostAfterFailures)) {
        m_test.linkLost(tr("the link to the instrument was lost"));
        fillTable();
        testFinished();
        return;
    }
    const ScaleTest::Event event =
        result == ModbusOk ? m_test.feed(reading, now()) : m_test.feedNothing(now());
    if (event == ScaleTest::Captured || event == ScaleTest::Finished) {
        fillTable();
        if (m_test.current() < 0) {
            testFinished();
            return;
        }
        m_message->clear();
        if (m_automatic->isChecked())
            m_test.arm(now());
    } else if (event == ScaleTest::TimedOut) {
        m_message->setText(m_test.message() + QLatin1Char(' ') +
                           tr("Press Capture to wait again, or Skip to leave the point open."));
    }
    showPoint();
}

void ScaleTestDialog::showLive(ModbusResult result, const Reading &reading)
{
    if (result != ModbusOk) {
        m_weight->setText(tr("no reading"));
        m_stable->clear();
        return;
    }
    m_weight->setText(reading.overflow ? tr("overflow") : m_ranges.weightText(reading.weight));
    m_stable->setText(reading.stable ? tr("stable") : tr("motion"));
    styleLabel(m_stable, 16, reading.stable ? "green" : "gray");
}

void ScaleTestDialog::showPoint()
{
    const int index = m_test.current();
    if (index < 0)
        return;
    const PlanPoint &point = m_plan.at(index);
    m_instruction->setText(tr("Point %1 of %2: %3")
                               .arg(index + 1)
                               .arg(m_plan.size())
                               .arg(TestPlans::instruction(point, m_ranges)));
    m_table->selectRow(index);
}

void ScaleTestDialog::fillTable()
{
    const QStringList header = TestReport::header();
    const QVector<QStringList> rows = TestReport::rows(m_test.result());
    m_table->setColumnCount(header.size());
    m_table->setHorizontalHeaderLabels(header);
    m_table->setRowCount(rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        const PointResult &point = m_test.result().points.at(r);
        for (int c = 0; c < rows.at(r).size() && c < header.size(); ++c) {
            auto *item = new QTableWidgetItem(rows.at(r).at(c));
            if (c == header.size() - 1 && point.status == PointResult::Captured)
                item->setForeground(point.pass ? QColor(0, 128, 0) : QColor(200, 0, 0));
            m_table->setItem(r, c, item);
        }
    }
}

void ScaleTestDialog::testFinished()
{
    if (m_testEnded)
        return; // shown and recorded once
    m_testEnded = true;
    const TestResult &result = m_test.result();
    const Verdict verdict = result.verdict();
    if (m_phase == Phase::AsFound)
        m_asFound = std::make_unique<TestResult>(result);
    else
        m_asLeft = std::make_unique<TestResult>(result);
    QString text = m_asFound && m_asLeft
                       ? tr("As found: %1. As left: %2.")
                             .arg(TestReport::verdictText(m_asFound->verdict()),
                                  TestReport::verdictText(verdict))
                       : tr("%1: %2").arg(m_phaseTitle->text(), TestReport::verdictText(verdict));
    // every test is evidence: an incomplete one is kept as incomplete, with why it ended
    if (!RecordScaleTest(result, QLatin1String(RecordSource)))
        text += QLatin1Char(' ') + tr("(not kept in the service record)");
    m_verdict->setText(text);
    styleLabel(m_verdict, 14,
               verdict == Verdict::Pass   ? "green"
               : verdict == Verdict::Fail ? "red"
                                          : "darkorange");
    m_message->setText(TestReport::summary(result).join(QLatin1Char('\n')));
    m_instruction->setText(verdict == Verdict::Incomplete && result.linkLost
                               ? tr("The test is incomplete: the link was lost.")
                               : tr("Test finished."));
    for (QPushButton *b : {m_capture, m_skip, m_redo, m_stop})
        b->hide();
    m_table->clearSelection();
    if (m_phase == Phase::AsFound) {
        m_calibrate->show();
        m_testAsLeft->show();
    } else {
        m_phase = Phase::Finished;
        m_hold.reset();
    }
    m_close->show();
}

void ScaleTestDialog::startCalibration()
{
    qint64 span = 0;
    for (const PlanPoint &p : qAsConst(m_plan))
        span = qMax(span, p.load);
    QString error;
    const qint64 zeroRange =
        CalibrationGuide::zeroRangeCounts(m_ranges, m_instrument.zeroRangePercent);
    if (!m_guide.begin(m_ranges, span, zeroRange, captureSettings(), now(), &error)) {
        m_verdict->setText(error);
        return;
    }
    m_phase = Phase::Calibration;
    m_phaseTitle->setText(tr("Calibration"));
    m_pages->setCurrentIndex(2);
    m_spanWeight->setText(FormatScaled(span, m_ranges.decimals));
    m_calLog->clear();
    m_calToAsLeft->setEnabled(false);
    showCalibrationCheck();
    m_poll->start();
}

void ScaleTestDialog::applySpanWeight()
{
    qint64 span = 0;
    QString error;
    if (!ScaleRangeReader::parseWeight(m_spanWeight->text().trimmed(), m_ranges.decimals, &span,
                                       &error) ||
        !m_guide.setSpan(span, &error)) {
        m_calLog->setText(error);
        m_spanWeight->setText(FormatScaled(m_guide.span(), m_ranges.decimals));
        return;
    }
    showCalibrationCheck();
}

void ScaleTestDialog::calibrationBack()
{
    if (m_phase != Phase::Calibration || !m_guide.back(now()))
        return;
    m_calToAsLeft->setEnabled(false);
    showCalibrationCheck();
    if (!m_poll->isActive() && !m_reading)
        m_poll->start();
}

// The step's instruction, what the settled reading allows, and the button:
// nothing is written until it is pressed, and a reading off the weight asks
// for the press to confirm it.
void ScaleTestDialog::showCalibrationCheck()
{
    const CalibrationGuide::Step step = m_guide.step();
    m_calInstruction->setText(m_guide.instruction());
    m_spanWeight->setEnabled(step == CalibrationGuide::Span);
    m_calBack->setEnabled(step != CalibrationGuide::Zero);
    m_calToAsLeft->setEnabled(step == CalibrationGuide::Done);
    if (step == CalibrationGuide::Done) {
        m_calAct->setText(tr("Write CP1"));
        m_calAct->setEnabled(false);
        m_calCheck->clear();
        return;
    }
    const StepCheck check = m_guide.check();
    // while it waits: why the last wait ran out, if it did
    m_calCheck->setText(!m_guide.ready() && !m_calWait.isEmpty() ? m_calWait : check.message);
    m_calCheck->setStyleSheet(!m_guide.ready()                 ? QStringLiteral("color: gray;")
                              : check.kind == StepCheck::Ready ? QStringLiteral("color: green;")
                              : check.kind == StepCheck::Confirm
                                  ? QStringLiteral("color: darkorange; font-weight: bold;")
                                  : QStringLiteral("color: rgb(200, 0, 0); font-weight: bold;"));
    const bool zero = step == CalibrationGuide::Zero;
    m_calAct->setText(zero                               ? tr("Zero")
                      : check.kind == StepCheck::Confirm ? tr("Write CP1 anyway")
                                                         : tr("Write CP1"));
    m_calAct->setEnabled(m_guide.ready() && check.kind != StepCheck::Refused);
}

void ScaleTestDialog::feedCalibration(ModbusResult result, const Reading &reading)
{
    if (m_guide.step() == CalibrationGuide::Done)
        return;
    if (result != ModbusOk) {
        if (result == ModbusNoLink || m_failures >= LostAfterFailures)
            m_calCheck->setText(tr("The link to the instrument was lost."));
        m_calAct->setEnabled(false);
        return;
    }
    if (m_guide.feed(reading, now()))
        m_calWait.clear();
    if (m_guide.timedOut()) {
        m_calWait = m_guide.message();
        m_guide.restart(now());
    }
    showCalibrationCheck();
}

void ScaleTestDialog::actOnCalibration()
{
    const CalibrationGuide::Step step = m_guide.step();
    // the press acts on what the scale showed when it was made
    if (!m_guide.ready() || m_guide.check().kind == StepCheck::Refused)
        return;
    ModbusResult write = ModbusNoLink;
    SetLastCalibrationVerdict(CalibrationVerdict());
    if (step == CalibrationGuide::Zero && m_instrument.captureZero)
        write = m_instrument.captureZero();
    else if (step == CalibrationGuide::Span && m_instrument.writeCalPoint1)
        write = m_instrument.writeCalPoint1(m_guide.span());
    m_guide.finishStep(write, LastCalibrationVerdict(), chinese(), now());
    m_calLog->setText(m_guide.log().join(QLatin1Char('\n')));
    showCalibrationCheck();
}

void ScaleTestDialog::done(int result)
{
    m_poll->stop();
    if ((m_phase == Phase::AsFound || m_phase == Phase::AsLeft) && m_test.current() >= 0) {
        // closing the window is the end of the test: kept, as incomplete
        m_test.stop(tr("the window was closed"));
        testFinished();
    }
    m_hold.reset();
    QDialog::done(result);
}
