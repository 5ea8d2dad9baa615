#include "modbusparasetdialog.h"

#include "linkinputrules.h"
#include "ui_modbusparasetdialog.h"

#include "languagefont.h"
#include "serialportitem.h"
#include "valuebinding.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QRegularExpressionValidator>
#include <QSerialPortInfo>

ModbusParaSetDialog::ModbusParaSetDialog(QWidget *parent)
    : QDialog(parent), ui(new Ui::ModbusParaSetDialog)
{
    ui->setupUi(this);
    ui->spinBox_SlaveID->setRange(MinSlaveId, MaxSlaveId);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setSizeGripEnabled(true);
    watchFields();

    ui->lineEdit_HostIP->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QLatin1String(HostIpPattern)), this));
    ui->lineEdit_Port->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QLatin1String(PortPattern)), this));

    on_comboBox_Protocol_activated(ui->comboBox_Protocol->itemText(0));
    ApplyLanguageFont(this);
}

ModbusParaSetDialog::~ModbusParaSetDialog()
{
    delete ui;
}

// Event filter on the fields, and what ends an edit: an emptied field gets
// the text it had when it got the focus back.
void ModbusParaSetDialog::watchFields()
{
    const auto combos = findChildren<QComboBox *>();
    for (QComboBox *combo : combos) {
        combo->installEventFilter(this);
        combo->view()->installEventFilter(this);
    }
    for (QLineEdit *edit : {ui->lineEdit_HostIP, ui->lineEdit_Port}) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
            if (edit->text().isEmpty())
                edit->setText(ValueBeforeEdit(edit));
            ui->label_Protocol->setFocus();
        });
    }
    for (QSpinBox *spin : {ui->spinBox_SlaveID, ui->spinBox_Delay}) {
        spin->installEventFilter(this);
        connect(spin, &QSpinBox::editingFinished, this, [this, spin] {
            if (spin->text().isEmpty())
                spin->setValue(ValueBeforeEdit(spin).toInt());
            ui->label_Protocol->setFocus();
        });
    }
}

bool ModbusParaSetDialog::eventFilter(QObject *watched, QEvent *event)
{
    // The wheel never changes a field here.
    if (event->type() == QEvent::Wheel)
        return true;
    if (event->type() == QEvent::FocusIn) {
        if (auto *edit = qobject_cast<QLineEdit *>(watched))
            RememberValueBeforeEdit(edit, edit->text());
        else if (auto *spin = qobject_cast<QSpinBox *>(watched))
            RememberValueBeforeEdit(spin, spin->text());
    }
    return QDialog::eventFilter(watched, event);
}

void ModbusParaSetDialog::load(const LinkSettings &s)
{
    ui->comboBox_Protocol->setCurrentIndex(s.connectType);
    on_comboBox_Protocol_activated(ui->comboBox_Protocol->currentText());

    ui->lineEdit_HostIP->setText(s.EditIP);
    ui->lineEdit_Port->setText(s.EditPort);
    fillSerialPorts(s.SerialNum);

    ui->spinBox_SlaveID->setValue(SlaveIdOrDefault(s.slaveId));
    ui->comboBox_BaudRate->setCurrentText(QString::number(s.baud));
    ui->comboBox_DwordFormat->setCurrentIndex(s.dwordFormat);
    ui->spinBox_Delay->setValue(s.responseTime);
    ui->comboBox_DataBits->setCurrentText(QString::number(s.dataBits));
    ui->comboBox_StopBit->setCurrentText(QString::number(s.stopBits));
    // QSerialPort numbers parity 0 none, 2 even, 3 odd; the box lists NONE, EVEN, ODD.
    ui->comboBox_Parity->setCurrentIndex(s.parity > 0 ? s.parity - 1 : s.parity);
}

// The listed ports, plus the loaded one when the system does not list it (a
// pseudo-terminal, an unplugged adapter), so that OK keeps it.
void ModbusParaSetDialog::fillSerialPorts(const QString &selectedPort)
{
    QComboBox *box = ui->comboBox_Serial;
    box->clear();
    int selected = -1;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        if (info.portName() == selectedPort)
            selected = box->count();
        box->addItem(SerialPortItemText(info));
    }
    if (selected < 0 && !selectedPort.isEmpty()) {
        selected = box->count();
        box->addItem(selectedPort);
    }
    box->setCurrentIndex(selected < 0 ? 0 : selected);
}

void ModbusParaSetDialog::on_comboBox_Protocol_activated(const QString &arg1)
{
    const QList<QWidget *> serialFields = {
        ui->label_Serial,   ui->comboBox_Serial,   ui->label_slaveID, ui->spinBox_SlaveID,
        ui->label_BaudRate, ui->comboBox_BaudRate, ui->label_DataBit, ui->comboBox_DataBits,
        ui->label_Parity,   ui->comboBox_Parity,   ui->label_StopBit, ui->comboBox_StopBit};
    const QList<QWidget *> tcpFields = {ui->label_HostIP, ui->lineEdit_HostIP, ui->label_Port,
                                        ui->lineEdit_Port};
    // Compared with the item itself, so a translated item text still selects RTU.
    const bool rtu = arg1 == ui->comboBox_Protocol->itemText(0);
    for (QWidget *w : serialFields)
        w->setVisible(rtu);
    for (QWidget *w : tcpFields)
        w->setVisible(!rtu);
    if (!rtu)
        ui->label_Protocol->setFocus();
}

void ModbusParaSetDialog::on_pushButton_OK_clicked()
{
    m_accepted = true;
    m_settings.connectType = ui->comboBox_Protocol->currentIndex();
    m_settings.EditIP = ui->lineEdit_HostIP->text();
    m_settings.EditPort = ui->lineEdit_Port->text();
    m_settings.SerialNum = PortNameFromItemText(ui->comboBox_Serial->currentText());
    m_settings.slaveId = ui->spinBox_SlaveID->value();
    m_settings.dwordFormat = ui->comboBox_DwordFormat->currentIndex();
    m_settings.responseTime = ui->spinBox_Delay->value();
    m_settings.baud = ui->comboBox_BaudRate->currentText().toInt();
    m_settings.dataBits = ui->comboBox_DataBits->currentText().toInt();
    m_settings.stopBits = ui->comboBox_StopBit->currentText().toInt();
    const int parityIndex = ui->comboBox_Parity->currentIndex();
    m_settings.parity = parityIndex > 0 ? parityIndex + 1 : parityIndex;
    close();
}

void ModbusParaSetDialog::on_pushButton_close_clicked()
{
    close();
}

void ModbusParaSetDialog::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_pressScreenPos = event->globalPos();
        m_pressFramePos = frameGeometry().topLeft();
    }
    QDialog::mousePressEvent(event);
}

void ModbusParaSetDialog::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging)
        move(m_pressFramePos + (event->globalPos() - m_pressScreenPos));
    QDialog::mouseMoveEvent(event);
}

void ModbusParaSetDialog::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QDialog::mouseReleaseEvent(event);
}
