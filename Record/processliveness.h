#pragma once

#include <QString>

// Who made a record's write intent, so that another process can tell an intent
// whose program ended (its outcome will never come) from one still under way.
struct ProcessOwner
{
    qint64 pid = 0;
    QString host;
    // Tells this process from a later one that got the same pid.
    QString start;
};

ProcessOwner ThisProcess();
// False only when the owner ran on this computer and has ended; an owner on
// another computer (or under this computer's former name) is taken as alive,
// since nothing here can tell: its intents are judged by their lease.
bool OwnerAlive(const ProcessOwner &owner);
// Whether the owner ran on this computer under its present name.
bool OwnerHere(const ProcessOwner &owner);
