#include "sidescroll.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>

void SideScrollWhenCut::install(QScrollArea *area)
{
    new SideScrollWhenCut(area);
}

SideScrollWhenCut::SideScrollWhenCut(QScrollArea *area) : QObject(area), m_area(area)
{
    m_area->viewport()->installEventFilter(this);
    if (QWidget *contents = m_area->widget()) {
        contents->installEventFilter(this);
        for (QWidget *panel :
             contents->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            panel->installEventFilter(this);
    }
    update();
}

bool SideScrollWhenCut::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::Hide:
        update();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void SideScrollWhenCut::update()
{
    QWidget *contents = m_area->widget();
    if (!contents)
        return;
    int right = 0;
    for (QWidget *panel :
         contents->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!panel->isHidden())
            right = qMax(right, panel->geometry().right() + 1);
    }
    const bool cut = right > m_area->viewport()->width();
    const Qt::ScrollBarPolicy policy = cut ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    if (m_area->horizontalScrollBarPolicy() == policy)
        return;
    if (!cut)
        m_area->horizontalScrollBar()->setValue(0);
    m_area->setHorizontalScrollBarPolicy(policy);
}
