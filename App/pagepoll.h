#pragma once

#include "linksettings.h"

#include <QVector>
#include <functional>

class PageBase;

// The register groups read for a page on every poll cycle, in reading order: the
// groups of the page on screen (and, for the application page, of its tab).
QVector<int> PagePollGroups(quint32 page, quint32 appSubPage);
// The page refreshed after a read of this group, whichever page is shown; -1 for none.
int PageRefreshedAfter(int group);

// One poll cycle as the program runs it: the live groups and coils, then the
// groups of the page on screen, each page refreshed after the group that completes
// it. The main window and the page tests both poll through it.
class PagePoll
{
public:
    using GroupReader = std::function<ModbusResult(int group)>;

    explicit PagePoll(GroupReader read);

    // The page with this number (1 to 6) is refreshed after its groups.
    void setPage(int number, PageBase *page);

    // Groups 0, 1, 15 and 3, stopping at the first failure, then the coils.
    ModbusResult readLiveGroups();
    ModbusResult readGroupAndRefresh(int group);
    void readPageGroups(quint32 page);

    // The live groups; when they all answered, afterLive (the live display), then
    // the page's groups. Returns the result of the live reads.
    ModbusResult cycle(const std::function<void()> &afterLive = {});

private:
    GroupReader m_read;
    PageBase *m_pages[7] = {};
};
