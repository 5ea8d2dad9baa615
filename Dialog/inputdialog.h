#pragma once

#include <QDialog>

namespace Ui {
class InputDialog;
}

// Small frameless dialog that asks for one line of text. Return or keypad
// Enter anywhere in it confirms with the text typed so far.
class InputDialog : public QDialog
{
    Q_OBJECT

public:
    explicit InputDialog(QWidget *parent = nullptr);
    ~InputDialog() override;

    void setTitle(const QString &title);
    // The confirmed text, or the null string when the user did not confirm.
    QString text() const;
    bool isAccepted() const { return accepted; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_pushButton_clicked();
    void on_pushButton_cancel_clicked();
    void on_pushButton_ok_clicked();

private:
    void confirm();

    Ui::InputDialog *ui;
    bool accepted = false;
    QString enteredText;
};
