#include "languagefont.h"

#include <QFont>
#include <QWidget>

quint32 gu32_Language = 0;

void ApplyLanguageFont(QWidget *root)
{
    QFont font = root->font();
    font.setFamily(gu32_Language != 0 ? QStringLiteral("simhei") : QStringLiteral("arial"));
    font.setPointSize(25);
    const auto children = root->findChildren<QWidget *>();
    for (QWidget *child : children)
        child->setFont(font);
}
