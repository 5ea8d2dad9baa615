#pragma once

#include <QVector>
#include <QtGlobal>

namespace sim {

// Misbehaviour the server adds on top of the instrument's own answers.
struct FaultOptions
{
    int delayMs = 0;          // wait this long before answering
    double dropRate = 0;      // chance of giving no reply at all
    double exceptionRate = 0; // chance of answering exception 0x04
    int closeAfter = 0;       // TCP: drop the connection after every N answers
    quint32 seed = 1;
    double cutRate = 0; // TCP: chance of an answer without its last bytes
};

// What a cut answer leaves out: the end of the frame the header announced.
constexpr int CutFrameBytes = 3;

// One request as the server saw it, with what became of it.
struct LoggedRequest
{
    int slave = 0; // the id it was sent to (0: a broadcast)
    int function = 0;
    int address = 0;
    int count = 0;
    QVector<quint16> values;
    int exception = 0;
    bool dropped = false;
    bool cut = false;
};

} // namespace sim
