#pragma once

#include "chainwalker.h"

// A chain head taken earlier (printed in a service report, kept in the shared
// store): the record must still hold entry seq with this hash.
struct ChainAnchor
{
    qint64 seq = 0; // 0: none
    QString hash;   // lower-case hex; a prefix of at least 12 digits
};

// "SEQ:HASH". False for anything else.
bool ParseChainAnchor(const QString &text, ChainAnchor *anchor);
// "SEQ:HASH" of the chain's head as walked; empty for an empty chain.
QString ChainHeadText(const VerifyResult &walked);

struct ChainCheck
{
    bool intact = false;
    QString text; // one line: what the walk and the anchor show
};
// What a walk (with the anchor's seq given to it) says, against the anchor
// when one is set: an empty record, a break, a cut tail, a rebuilt chain.
ChainCheck CheckChain(const VerifyResult &walked, const ChainAnchor &anchor);
