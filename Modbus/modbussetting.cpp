#include "modbussetting.h"
#include "logcategories.h"
#include "ui_modbussetting.h"

#include "Dialog/languagefont.h"
#include "Dialog/linkinputrules.h"
#include "Dialog/serialportitem.h"
#include "Warning/mesgBox.h"
#include "busscandialog.h"
#include "devicemodel.h"
#include "filepaths.h"
#include "mbaptcpclient.h"
#include "modbuslink.h"
#include "scanplan.h"
#include "valuebinding.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QModbusClient>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSerialPortInfo>
#include <QSettings>
#include <QTimer>

namespace {

const char MakerLink[] = "<a href=\"https://www.palvex.example/\">www.palvex.example</a>";

// A stored index selects its item only when the box has one at that index.
void setIndexIfValid(QComboBox *box, int index)
{
    if (index >= 0 && index < box->count())
        box->setCurrentIndex(index);
}

// A stored text goes into a line edit only when the edit's validator takes it.
void setTextIfValid(QLineEdit *edit, QString text)
{
    int pos = 0;
    if (!text.isEmpty() && edit->validator()->validate(text, pos) == QValidator::Acceptable)
        edit->setText(text);
}

// A TCP client reports success for connectDevice() while it is still
// connecting; wait (at most ms) until the link is up or has failed.
bool waitUntilConnected(int ms)
{
    const QPointer<QModbusClient> client(gp_ModbusDevice);
    if (!client || client->state() != QModbusDevice::ConnectingState)
        return client && client->state() == QModbusDevice::ConnectedState;
    QEventLoop loop;
    QObject::connect(client, &QModbusDevice::stateChanged, &loop,
                     [&loop](QModbusDevice::State state) {
                         if (state != QModbusDevice::ConnectingState)
                             loop.quit();
                     });
    QObject::connect(client, &QObject::destroyed, &loop, &QEventLoop::quit);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return client && client->state() == QModbusDevice::ConnectedState;
}

} // namespace

ModbusSetting::ModbusSetting(QWidget *parent) : QWidget(parent), ui(new Ui::ModbusSetting)
{
    ui->setupUi(this);
    ui->spinboxSlaveId->setRange(MinSlaveId, MaxSlaveId);
    scrollWhenCut();
    for (QComboBox *box : {ui->DwordFormat, ui->baudCombo, ui->dataBitsCombo, ui->parityCombo,
                           ui->stopBitsCombo, ui->connectType})
        m_formDefaults.insert(box->objectName(), box->currentIndex());
    m_formDefaults.insert(ui->timeoutSpinner->objectName(), ui->timeoutSpinner->value());
    for (QLineEdit *edit : {ui->EditHostIP, ui->EditPort})
        m_formDefaults.insert(edit->objectName(), edit->text());

    const QList<QComboBox *> combos = findChildren<QComboBox *>();
    for (QComboBox *box : combos) {
        box->installEventFilter(this);
        box->view()->installEventFilter(this);
    }
    const QList<QLineEdit *> edits = findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits)
        edit->installEventFilter(this);
    const QList<QSpinBox *> spins = findChildren<QSpinBox *>();
    for (QSpinBox *spin : spins) {
        spin->installEventFilter(this);
        connect(spin, &QSpinBox::editingFinished, this,
                [this] { ui->widget_ConnectInfo->setFocus(); });
    }
    for (QLineEdit *edit : {ui->EditHostIP, ui->EditPort}) {
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
            if (edit->text().isEmpty())
                edit->setText(ValueBeforeEdit(edit));
            ui->widget_ConnectInfo->setFocus();
        });
    }

    ui->EditHostIP->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QLatin1String(HostRangePattern)), ui->EditHostIP));
    ui->EditPort->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QLatin1String(PortPattern)), ui->EditPort));
}

ModbusSetting::~ModbusSetting()
{
    // The link is a child of this window: close it before the form goes.
    if (ProgramLinkOwnedBy(this))
        DisconnectModbus();
    // Hiding the focused field while the children go emits editingFinished; its
    // handlers use the form, which is gone by then.
    for (QWidget *child : findChildren<QWidget *>())
        disconnect(child, nullptr, this, nullptr);
    delete ui;
}

// On a screen lower or narrower than the form, the form scrolls: every field
// and the Connect button stay within reach.
void ModbusSetting::scrollWhenCut()
{
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scrollArea_ConnectCfg"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    delete layout()->replaceWidget(ui->centralwidget_ConnectCfg, scroll);
    scroll->setWidget(ui->centralwidget_ConnectCfg);
}

bool ModbusSetting::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel)
        return true;
    // A language change gives every widget the language's font, the editor inside
    // a spin box too, where the style sheet does not reach it; the editor shows
    // the box's own font instead, like every other field.
    // The editor's own change of font comes back here: it is not answered again,
    // whatever font the style finally gives it.
    if (event->type() == QEvent::FontChange && !m_aligningFont) {
        auto *box = qobject_cast<QAbstractSpinBox *>(watched);
        if (!box)
            box = qobject_cast<QAbstractSpinBox *>(watched->parent());
        QLineEdit *editor = box ? box->findChild<QLineEdit *>() : nullptr;
        if (editor && editor->font() != box->font()) {
            m_aligningFont = true;
            editor->setFont(box->font());
            m_aligningFont = false;
        }
    }
    if (event->type() == QEvent::FocusIn) {
        m_lastFocus = QApplication::focusWidget();
        if (auto *edit = qobject_cast<QLineEdit *>(m_lastFocus.data()))
            RememberValueBeforeEdit(edit, edit->text());
    }
    return QWidget::eventFilter(watched, event);
}

void ModbusSetting::SettingSerialNum()
{
    ui->serialnumcomboBox->clear();
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        ui->serialnumcomboBox->addItem(SerialPortItemText(info));
        qCDebug(lcConnection) << "info.portName()" << info.portName();
    }
}

void ModbusSetting::on_connectType_activated(int index)
{
    // The port chosen or typed before stays chosen across the rebuild.
    const QString port = ui->serialnumcomboBox->currentText();
    SettingSerialNum();
    selectSerialPort(port);
    applyFieldVisibility(index);
}

void ModbusSetting::applyFieldVisibility(int index)
{
    const bool rtu = index == 0;
    const QList<QWidget *> serialFields = {
        ui->serialnumcomboBox, ui->spinboxSlaveId, ui->baudCombo, ui->dataBitsCombo,
        ui->parityCombo,       ui->stopBitsCombo,  ui->label_1,   ui->label_2,
        ui->label_3,           ui->label_4,        ui->label_5,   ui->label_6};
    for (QWidget *w : serialFields)
        w->setVisible(rtu);
    const QList<QWidget *> networkFields = {ui->label_hostip, ui->EditHostIP, ui->label_Port,
                                            ui->EditPort};
    for (QWidget *w : networkFields)
        w->setVisible(!rtu);
}

LinkSettings ModbusSetting::settings()
{
    const int parity = ui->parityCombo->currentIndex();
    m_settings.parity = parity > 0 ? parity + 1 : 0; // QSerialPort: 2 even, 3 odd
    m_settings.baud = ui->baudCombo->currentText().toInt();
    m_settings.dataBits = ui->dataBitsCombo->currentText().toInt();
    m_settings.stopBits = ui->stopBitsCombo->currentText().toInt();
    m_settings.responseTime = ui->timeoutSpinner->value();
    m_settings.SerialNum = PortNameFromItemText(ui->serialnumcomboBox->currentText());
    m_settings.connectType = ui->connectType->currentIndex();
    m_settings.EditIP = ui->EditHostIP->text();
    m_settings.EditPort = ui->EditPort->text();
    return m_settings;
}

void ModbusSetting::InterfaceInit()
{
    ui->retranslateUi(this);
    loadSettings();
    qCDebug(lcConnection) << "ModbusSetting InterfaceInit";
}

void ModbusSetting::selectSerialPort(const QString &text)
{
    if (text.isEmpty())
        return;
    int index = ui->serialnumcomboBox->findText(text, Qt::MatchExactly);
    if (index < 0) {
        // A port the system does not list (a typed device path) stays selectable.
        ui->serialnumcomboBox->addItem(text);
        index = ui->serialnumcomboBox->count() - 1;
    }
    ui->serialnumcomboBox->setCurrentIndex(index);
}

// A key the file lacks takes the form's own default, not item 0: a file
// written by hand or by an older version still starts at 38400 baud, 8E1, 200 ms.
QVariant ModbusSetting::stored(const QSettings &file, const char *key) const
{
    const QString name = QLatin1String(key);
    return file.contains(name) ? file.value(name) : m_formDefaults.value(name);
}

int ModbusSetting::storedInt(const QSettings &file, const char *key) const
{
    bool number = false;
    const int value = stored(file, key).toInt(&number);
    return number ? value : m_formDefaults.value(QLatin1String(key)).toInt();
}

void ModbusSetting::loadSettings()
{
    const QString path = SettingsFilePath();
    if (!QFile::exists(path)) {
        qCDebug(lcConnection) << "no settings file";
        return;
    }
    QSettings file(path, QSettings::IniFormat);

    file.beginGroup(QStringLiteral("Zelt"));
    setTextIfValid(ui->EditPort, stored(file, "EditPort").toString());
    setTextIfValid(ui->EditHostIP, stored(file, "EditHostIP").toString());
    setIndexIfValid(ui->DwordFormat, storedInt(file, "DwordFormat"));
    setIndexIfValid(ui->baudCombo, storedInt(file, "baudCombo"));
    setIndexIfValid(ui->dataBitsCombo, storedInt(file, "dataBitsCombo"));
    setIndexIfValid(ui->parityCombo, storedInt(file, "parityCombo"));
    setIndexIfValid(ui->stopBitsCombo, storedInt(file, "stopBitsCombo"));
    setIndexIfValid(ui->connectType, storedInt(file, "connectType"));
    applyFieldVisibility(ui->connectType->currentIndex());
    ui->timeoutSpinner->setValue(storedInt(file, "timeoutSpinner"));
    ui->spinboxSlaveId->setValue(
        SlaveIdOrDefault(file.value(QStringLiteral("spinboxSlaveId")).toInt()));
    SettingSerialNum();
    selectSerialPort(file.value(QStringLiteral("serialnumcomboBox")).toString());
    gu8_DigSensorsType = file.value(QStringLiteral("gu8_DigSensorsType")).toInt();
    const int savedLanguage = file.value(QStringLiteral("Language")).toInt();
    file.endGroup();

    // "Startup" lets an installer choose the first language once.
    file.beginGroup(QStringLiteral("Config"));
    const int startup = file.value(QStringLiteral("Startup")).toInt();
    file.setValue(QStringLiteral("Startup"), 0);
    const int startupLanguage = file.value(QStringLiteral("Language")).toInt();
    file.endGroup();
    gu32_Language = quint32(startup != 0 ? startupLanguage : savedLanguage);

    ui->label_url->setText(QLatin1String(MakerLink));
    ui->label_url->setOpenExternalLinks(true);
}

void ModbusSetting::saveSettings()
{
    QSettings file(SettingsFilePath(), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Zelt"));
    file.setValue(QStringLiteral("EditPort"), ui->EditPort->text());
    file.setValue(QStringLiteral("spinboxSlaveId"), ui->spinboxSlaveId->text());
    file.setValue(QStringLiteral("EditHostIP"), ui->EditHostIP->text());
    file.setValue(QStringLiteral("DwordFormat"), ui->DwordFormat->currentIndex());
    file.setValue(QStringLiteral("baudCombo"), ui->baudCombo->currentIndex());
    file.setValue(QStringLiteral("dataBitsCombo"), ui->dataBitsCombo->currentIndex());
    file.setValue(QStringLiteral("parityCombo"), ui->parityCombo->currentIndex());
    file.setValue(QStringLiteral("serialnumcomboBox"), ui->serialnumcomboBox->currentText());
    file.setValue(QStringLiteral("stopBitsCombo"), ui->stopBitsCombo->currentIndex());
    file.setValue(QStringLiteral("connectType"), ui->connectType->currentIndex());
    file.setValue(QStringLiteral("timeoutSpinner"),
                  ui->timeoutSpinner->text().section(QLatin1Char(' '), 0, 0));
    file.setValue(QStringLiteral("Language"), int(gu32_Language));
    file.endGroup();
    file.sync();
}

ModbusResult ModbusSetting::ReadGroup(int group)
{
    return ::ReadGroup(m_settings, group);
}

void ModbusSetting::on_connectButton_clicked()
{
    if (gu8_LinkStop) {
        // The previous link is still being torn down.
        QTimer::singleShot(500, this, &ModbusSetting::on_connectButton_clicked);
        return;
    }
    // A click while an attempt waits for its link or probe must not start another.
    if (m_connecting)
        return;
    m_connecting = true;
    const bool connected = connectAndProbe();
    m_connecting = false;
    if (connected)
        emit ConnectSuccessfulSignal();
}

bool ModbusSetting::connectAndProbe()
{
    const LinkSettings s = settings();
    if (s.connectType == 1 && s.EditIP.contains(QLatin1Char('-'))) {
        showNotice(tr("Tip"), tr("A range of hosts is for Search; give one host to connect to."), 1,
                   this);
        return false;
    }
    // A left-over client of the other kind cannot take these settings.
    if (gp_ModbusDevice && gp_ModbusDevice->state() != QModbusDevice::ConnectedState &&
        (qobject_cast<MbapTcpClient *>(gp_ModbusDevice) != nullptr) != (s.connectType == 1))
        DisconnectModbus();
    if (gp_ModbusDevice && gp_ModbusDevice->state() == QModbusDevice::ConnectedState)
        return false;

    gu32_ConnectType = s.connectType == 1 ? 1 : 0;
    if (gu32_ConnectType == 1)
        qCDebug(lcConnection) << "IP" << s.EditIP + QLatin1Char(':') + s.EditPort;
    if (!SetupModbusClient(s, this)) {
        qCDebug(lcConnection) << "connect failed";
        showNotice(tr("Tip"), tr("Operation Failed,Please try again!"), 1, this);
        qCDebug(lcConnection) << "settings().SerialNum" << s.SerialNum;
        DisconnectModbus();
        return false;
    }
    qCDebug(lcConnection) << "connected";
    qCDebug(lcConnection) << "modbusConnectType" << gu32_ConnectType;

    m_settings.slaveId = ui->spinboxSlaveId->value();
    m_settings.dwordFormat = ui->DwordFormat->currentIndex();
    gu32_SlaveId = quint32(m_settings.slaveId);
    gu32_DwordFormat = quint32(m_settings.dwordFormat);
    WaitMs(100);
    m_settings.startAddress = 0;
    m_settings.count = 2;
    qCDebug(lcConnection) << "m_settings.EditIP" << m_settings.EditIP;
    saveSettings();

    quint16 probe[2] = {0, 0};
    if (!waitUntilConnected(gp_ModbusDevice ? gp_ModbusDevice->timeout() : 0) ||
        ReadHoldingRegisters(gp_ModbusDevice, m_settings, probe) != ModbusOk) {
        qCDebug(lcConnection) << "read failed";
        DisconnectModbus();
        showNotice(tr("Tip"), tr("Operation Failed,Please try again!"), 1, this);
        return false;
    }
    gsrt_LinkPara = m_settings;
    return true;
}

ScanPlan ModbusSetting::searchPlan()
{
    const LinkSettings s = settings();
    ScanPlan plan;
    plan.connectType = s.connectType == 1 ? 1 : 0;
    plan.slaves = DefaultScanSlaves();
    if (plan.connectType == 1) {
        // The host field takes a range for a search.
        QString error;
        if (!ParseHostRange(s.EditIP, &plan.hosts, &error))
            plan.hosts = QStringList(s.EditIP);
        plan.tcpPort = s.EditPort.toInt();
    } else {
        plan.serialPort = s.SerialNum;
        plan.framings = ScanFramings(DefaultScanBauds(), DefaultScanParities());
    }
    return plan;
}

void ModbusSetting::on_searchButton_clicked()
{
    // The port is the program's link's while it is up.
    if (m_connecting || findChild<BusScanDialog *>() ||
        (gp_ModbusDevice && gp_ModbusDevice->state() == QModbusDevice::ConnectedState))
        return;
    auto *dialog = new BusScanDialog(searchPlan(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        // Connected once the dialog is gone: connecting waits in the event
        // loop, where the closed dialog is deleted.
        const ScanFind find = dialog->chosen();
        QMetaObject::invokeMethod(
            this,
            [this, find] {
                applyFind(find);
                on_connectButton_clicked();
            },
            Qt::QueuedConnection);
    });
    dialog->open();
}

void ModbusSetting::applyFind(const ScanFind &find)
{
    ui->connectType->setCurrentIndex(find.connectType == 1 ? 1 : 0);
    applyFieldVisibility(ui->connectType->currentIndex());
    ui->spinboxSlaveId->setValue(SlaveIdOrDefault(find.slaveId));
    if (find.connectType == 1) {
        ui->EditHostIP->setText(find.host);
        ui->EditPort->setText(QString::number(find.tcpPort));
        return;
    }
    setIndexIfValid(ui->baudCombo, ui->baudCombo->findText(QString::number(find.framing.baud)));
    // The parity box lists none, even, odd; QSerialPort counts even as 2.
    setIndexIfValid(ui->parityCombo, find.framing.parity > 0 ? find.framing.parity - 1 : 0);
    setIndexIfValid(ui->dataBitsCombo,
                    ui->dataBitsCombo->findText(QString::number(find.framing.dataBits)));
    setIndexIfValid(ui->stopBitsCombo,
                    ui->stopBitsCombo->findText(QString::number(find.framing.stopBits)));
}
