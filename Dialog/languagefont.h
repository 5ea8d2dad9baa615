#pragma once

#include <QtGlobal>

class QWidget;

// The user-interface language: 0 English, 1 Chinese.
extern quint32 gu32_Language;

// Gives every descendant of root the font of the current language ("simhei" for
// Chinese, "arial" for English, 25 points), starting from root's own font.
void ApplyLanguageFont(QWidget *root);
