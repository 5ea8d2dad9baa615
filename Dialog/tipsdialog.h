#pragma once

#include <QDialog>

namespace Ui {
class TipsDialog;
}

// Small frameless dialog with a title, a message, an optional result icon and
// up to two buttons. Return or keypad Enter anywhere in it confirms.
class TipsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TipsDialog(QWidget *parent = nullptr);
    ~TipsDialog() override;

    void setTitle(const QString &title);
    void setMessage(const QString &message);
    // path is a resource path, e.g. ":/images/icon/pic13.png".
    void setIconImage(const QString &path);
    void hideIcon();
    // 0 keeps only "Confirm", 1 keeps only "Cancel", any other mode hides both.
    void setButtons(int mode);
    bool isAccepted() const { return accepted; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_pushButton_clicked();
    void on_pushButton_cancel_clicked();
    void on_pushButton_ok_clicked();

private:
    Ui::TipsDialog *ui;
    bool accepted = false;
};
