#include "mesgBox.h"

#include "inputdialog.h"
#include "tipsdialog.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

namespace {

enum class NoticeLook { Success, Failure, Progress, Question };

NoticeLook lookOf(const QString &message)
{
    const QStringList success = {QObject::tr("Reset Successful!"),
                                 QObject::tr("Import Successful!"),
                                 QObject::tr("Export Successful!")};
    const QStringList failure = {QObject::tr("Reset Failed!"),
                                 QObject::tr("Password Failed!"),
                                 QObject::tr("Operation Failed,Please try again!"),
                                 QObject::tr("Import Failed!"),
                                 QObject::tr("Export Failed!"),
                                 QObject::tr("Import finished with problems!"),
                                 QObject::tr("Export finished with problems!")};
    const QStringList progress = {QObject::tr("Start Importing!"), QObject::tr("Start Exporting!")};
    // A notice may add its details below the first line.
    const QString headline = message.section(QLatin1Char('\n'), 0, 0);
    if (success.contains(message))
        return NoticeLook::Success;
    if (failure.contains(headline))
        return NoticeLook::Failure;
    if (progress.contains(message))
        return NoticeLook::Progress;
    return NoticeLook::Question;
}

} // namespace

bool showNotice(const QString &title, const QString &message, int mode, QWidget *parent)
{
    // Guarded: the parent may be destroyed while the notice runs its own loop.
    QPointer<TipsDialog> dialog = new TipsDialog(parent);
    dialog->setTitle(title);
    dialog->setMessage(message);
    // The dialog is the timer's context, so the timer dies with it.
    if (mode == 0)
        QTimer::singleShot(1000, dialog, &QWidget::close);

    switch (lookOf(message)) {
    case NoticeLook::Success:
        dialog->setIconImage(QStringLiteral(":/images/icon/pic13.png"));
        dialog->setButtons(0);
        break;
    case NoticeLook::Failure:
        dialog->setIconImage(QStringLiteral(":/images/icon/pic12.png"));
        dialog->setButtons(0);
        break;
    case NoticeLook::Progress:
        dialog->hideIcon();
        dialog->setButtons(2);
        break;
    case NoticeLook::Question:
        dialog->hideIcon();
        break;
    }

    dialog->exec();
    const bool accepted = dialog && dialog->isAccepted();
    delete dialog;
    return accepted;
}

QString askPassword(QWidget *parent)
{
    QPointer<InputDialog> dialog = new InputDialog(parent);
    dialog->setTitle(QObject::tr("Password"));
    dialog->exec();
    const QString text = dialog ? dialog->text() : QString();
    delete dialog;
    return text;
}
