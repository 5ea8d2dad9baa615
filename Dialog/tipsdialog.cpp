#include "tipsdialog.h"
#include "ui_tipsdialog.h"

#include "confirmkey.h"
#include "dialogsetup.h"

TipsDialog::TipsDialog(QWidget *parent) : QDialog(parent), ui(new Ui::TipsDialog)
{
    ui->setupUi(this);
    PrepareFramelessDialog(this);
}

TipsDialog::~TipsDialog()
{
    delete ui;
}

void TipsDialog::setTitle(const QString &title)
{
    ui->label_title->setText(title);
}

void TipsDialog::setMessage(const QString &message)
{
    ui->label_tipsMesg->setText(message);
}

void TipsDialog::setIconImage(const QString &path)
{
    ui->label_iconType->setStyleSheet(QStringLiteral("border-image: url(%1);").arg(path));
}

void TipsDialog::hideIcon()
{
    ui->label_iconType->hide();
}

void TipsDialog::setButtons(int mode)
{
    if (mode == 0) {
        ui->pushButton_cancel->hide();
    } else if (mode == 1) {
        ui->pushButton_ok->hide();
    } else {
        ui->pushButton_ok->hide();
        ui->pushButton_cancel->hide();
    }
}

bool TipsDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (IsConfirmKey(event)) {
        accepted = true;
        close();
    }
    return QDialog::eventFilter(watched, event);
}

void TipsDialog::on_pushButton_clicked()
{
    close();
}

void TipsDialog::on_pushButton_cancel_clicked()
{
    close();
}

void TipsDialog::on_pushButton_ok_clicked()
{
    accepted = true;
    close();
}
