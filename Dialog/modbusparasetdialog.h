#pragma once

#include "linksettings.h"

#include <QDialog>
#include <QPoint>

namespace Ui {
class ModbusParaSetDialog;
}

// Frameless dialog that edits a copy of the link settings while connected. It
// never touches the Modbus client: the caller takes result() when isAccepted().
class ModbusParaSetDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ModbusParaSetDialog(QWidget *parent = nullptr);
    ~ModbusParaSetDialog() override;

    // Fills the form from s (the serial port list is rebuilt here).
    void load(const LinkSettings &s);
    bool isAccepted() const { return m_accepted; }
    LinkSettings result() const { return m_settings; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private slots:
    void on_comboBox_Protocol_activated(const QString &arg1);
    void on_pushButton_OK_clicked();
    void on_pushButton_close_clicked();

private:
    void watchFields();
    void fillSerialPorts(const QString &selectedPort);

    Ui::ModbusParaSetDialog *ui;
    LinkSettings m_settings;
    bool m_accepted = false;
    bool m_dragging = false;
    QPoint m_pressScreenPos;
    QPoint m_pressFramePos;
};
