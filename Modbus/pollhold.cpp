#include "pollhold.h"

#include <atomic>

namespace {
std::atomic<int> holds{0};
} // namespace

PollHold::PollHold()
{
    holds.fetch_add(1);
}

PollHold::~PollHold()
{
    release();
}

void PollHold::release()
{
    if (m_held) {
        m_held = false;
        holds.fetch_sub(1);
    }
}

bool PollHeld()
{
    return holds.load() > 0;
}
