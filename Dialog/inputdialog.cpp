#include "inputdialog.h"
#include "ui_inputdialog.h"

#include "confirmkey.h"
#include "dialogsetup.h"

InputDialog::InputDialog(QWidget *parent) : QDialog(parent), ui(new Ui::InputDialog)
{
    ui->setupUi(this);
    PrepareFramelessDialog(this);
}

InputDialog::~InputDialog()
{
    delete ui;
}

void InputDialog::setTitle(const QString &title)
{
    ui->label_title->setText(title);
}

QString InputDialog::text() const
{
    return accepted ? enteredText : QString();
}

bool InputDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (IsConfirmKey(event))
        confirm();
    return QDialog::eventFilter(watched, event);
}

void InputDialog::confirm()
{
    enteredText = ui->lineEdit_textStr->text();
    accepted = true;
    close();
}

void InputDialog::on_pushButton_clicked()
{
    close();
}

void InputDialog::on_pushButton_cancel_clicked()
{
    close();
}

void InputDialog::on_pushButton_ok_clicked()
{
    confirm();
}
