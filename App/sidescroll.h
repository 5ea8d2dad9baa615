#pragma once

#include <QObject>

class QScrollArea;

// Shows a scroll area's horizontal scroll bar only while a panel of its content
// reaches beyond what the area shows. The pages make their content as wide as
// the window, a little wider than the area itself, so the scroll bar would
// otherwise always be there with nothing to scroll to.
class SideScrollWhenCut : public QObject
{
    Q_OBJECT

public:
    // The watcher lives as long as the area.
    static void install(QScrollArea *area);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit SideScrollWhenCut(QScrollArea *area);
    void update();

    QScrollArea *m_area;
};
