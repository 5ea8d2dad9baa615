#include "languagefont.h"

#include <QFont>
#include <QStyle>
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
    // Polished again, so that where the style sheet names a font size it still
    // decides, on a language change as at start. Only once every font is set:
    // a composite widget (a date field, a table's header) hands its font on to
    // its parts, and a part polished before its owner got the new font kept it.
    for (QWidget *child : children) {
        child->style()->unpolish(child);
        child->style()->polish(child);
    }
}
