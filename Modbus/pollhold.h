#pragma once

// Holding polling: while any hold is taken the polling thread starts no poll
// and a poll signalled before the hold does nothing when it arrives. Holds are
// counted, and each is released only by the one that took it, so a poll that
// ends, or another holder that finishes, cannot release someone else's hold.
class PollHold
{
public:
    PollHold();  // takes a hold
    ~PollHold(); // releases it, unless released already
    PollHold(const PollHold &) = delete;
    PollHold &operator=(const PollHold &) = delete;

    void release();
    bool held() const { return m_held; }

private:
    bool m_held = true;
};

// Whether any hold is taken. Safe from any thread.
bool PollHeld();
