#include "dialogsetup.h"

#include "languagefont.h"

#include <QDialog>

void PrepareFramelessDialog(QDialog *dialog)
{
    dialog->setWindowFlags(dialog->windowFlags() | Qt::FramelessWindowHint);
    const auto children = dialog->findChildren<QWidget *>();
    for (QWidget *child : children)
        child->installEventFilter(dialog);
    ApplyLanguageFont(dialog);
}
