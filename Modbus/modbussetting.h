#pragma once

#include "linksettings.h"
#include "scanplan.h"

#include <QHash>
#include <QPointer>
#include <QVariant>
#include <QWidget>

class QSettings;
struct ScanFind;

namespace Ui {
class ModbusSetting;
}

// The connection window: the user chooses Modbus RTU or TCP and the link
// settings, connects, and the choices are remembered in the settings file.
// It owns the program's Modbus client while one exists.
class ModbusSetting : public QWidget
{
    Q_OBJECT

public:
    explicit ModbusSetting(QWidget *parent = nullptr);
    ~ModbusSetting() override;

    // Reads the form into m_settings and returns a copy.
    LinkSettings settings();

    // Retranslates the form and loads the settings file.
    void InterfaceInit();

    // Writes the form and the language into the settings file.
    void saveSettings();

    // Reads register group n into the mirror, starting from m_settings.
    ModbusResult ReadGroup(int group);

    // The settings of the last connection; the base of every group read.
    LinkSettings m_settings;

signals:
    void ConnectSuccessfulSignal();

public slots:
    void on_connectButton_clicked();
    // Searches the chosen port (every baud rate and parity) or address for
    // instruments; the one the user picks fills the form and is connected.
    void on_searchButton_clicked();
    void SettingSerialNum();
    void on_connectType_activated(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void scrollWhenCut();
    void loadSettings();
    // The stored value of a key of the open group, or the form's default when
    // the file lacks it (or, for numbers, holds something else).
    QVariant stored(const QSettings &file, const char *key) const;
    int storedInt(const QSettings &file, const char *key) const;
    void applyFieldVisibility(int index);
    void selectSerialPort(const QString &text);
    bool connectAndProbe();
    ScanPlan searchPlan();
    void applyFind(const ScanFind &find);

    Ui::ModbusSetting *ui;
    QPointer<QWidget> m_lastFocus;
    bool m_connecting = false;
    bool m_aligningFont = false;
    // What the form shows before any settings file is applied, by object name.
    QHash<QString, QVariant> m_formDefaults;
};
