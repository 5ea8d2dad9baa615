#pragma once

#include <QWidget>

// Window size last set by a border drag; pages use the width when the window
// returns from maximised.
extern int gu32_WinWidth;
extern int gu32_WinHeight;

// What the main window asks of every page it stacks.
class PageBase : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    // The page became the visible page, or the language changed.
    virtual void enterPage() = 0;
    // Bring the widgets up to date with the mirror; force rewrites everything.
    virtual void refresh(bool force) = 0;
    // Rearrange the panels for a window of this width.
    virtual void adaptWidth(int width);

    // adaptWidth with the available width of the screen that holds the page.
    void adaptToScreen();
    // adaptWidth with the width the window has when it is not maximised.
    void adaptToNormalWidth();
};
