#include "pagepoll.h"

#include "devicemodel.h"
#include "modbuslink.h"
#include "pagebase.h"

namespace {

constexpr int CalibrationPage = 2;

bool isApplicationTab(quint32 selector)
{
    return selector >= 6 && selector <= 8;
}

} // namespace

QVector<int> PagePollGroups(quint32 page, quint32 appSubPage)
{
    switch (page) {
    case 1:
        return {4, 2};
    case 2:
        return {5, 2};
    case 3:
        // A click beside the tabs leaves a selector that names no group: nothing is read.
        if (isApplicationTab(appSubPage))
            return {int(appSubPage)};
        return {};
    case 4:
        return {10, 11, 12, 13, 2};
    case 5:
        return {14, 15, 16};
    case 6:
        return {17};
    default:
        return {};
    }
}

int PageRefreshedAfter(int group)
{
    switch (group) {
    case 2:
        return CalibrationPage;
    case 4:
        return 1;
    case 6:
    case 7:
    case 8:
        return 3;
    case 12:
        return 4;
    case 16:
        return 5;
    case 17:
        return 6;
    default:
        return -1;
    }
}

PagePoll::PagePoll(GroupReader read) : m_read(std::move(read))
{}

void PagePoll::setPage(int number, PageBase *page)
{
    if (number >= 0 && number < 7)
        m_pages[number] = page;
}

ModbusResult PagePoll::readLiveGroups()
{
    if (gu8_LinkStop)
        return ModbusOk;
    for (int group : {0, 1, 15, 3}) {
        const ModbusResult result = m_read(group);
        if (result != ModbusOk)
            return result;
    }
    ReadNetCoil();
    ReadRemoteEditCoils();
    return ModbusOk;
}

ModbusResult PagePoll::readGroupAndRefresh(int group)
{
    const ModbusResult result = m_read(group);
    const int page = PageRefreshedAfter(group);
    if (page >= 0 && m_pages[page])
        m_pages[page]->refresh(false);
    return result;
}

void PagePoll::readPageGroups(quint32 page)
{
    for (int group : PagePollGroups(page, gu32_AppSubPage))
        readGroupAndRefresh(group);
}

ModbusResult PagePoll::cycle(const std::function<void()> &afterLive)
{
    const ModbusResult result = readLiveGroups();
    if (result != ModbusOk)
        return result;
    if (afterLive)
        afterLive();
    readPageGroups(gu32_PageIndex);
    return ModbusOk;
}
