#include "pagebase.h"

#include <QGuiApplication>
#include <QScreen>

int gu32_WinWidth = 1150;
int gu32_WinHeight = 800;

void PageBase::adaptWidth(int)
{}

void PageBase::adaptToScreen()
{
    const QScreen *shown = screen() ? screen() : QGuiApplication::primaryScreen();
    if (shown)
        adaptWidth(shown->availableGeometry().width());
}

void PageBase::adaptToNormalWidth()
{
    adaptWidth(gu32_WinWidth);
}
