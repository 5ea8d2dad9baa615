#pragma once

#include <atomic>

// A poll has been signalled and has not finished, or polling is held. The only
// value both the polling thread and the GUI thread touch.
extern std::atomic<bool> gu8_PollBusy;
// The last poll failed.
extern bool gu8_CommError;
// Consecutive failed polls.
extern int gu32_CommErrCount;
