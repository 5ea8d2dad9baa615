#include "chaincheck.h"

#include <QRegularExpression>

bool ParseChainAnchor(const QString &text, ChainAnchor *anchor)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{1,18})\\s*:\\s*([0-9a-fA-F]{12,64})\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch() || m.captured(1).toLongLong() < 1)
        return false;
    anchor->seq = m.captured(1).toLongLong();
    anchor->hash = m.captured(2).toLower();
    return true;
}

QString ChainHeadText(const VerifyResult &walked)
{
    if (walked.checked == 0 || walked.headHash.isEmpty())
        return QString();
    return QStringLiteral("%1:%2").arg(walked.checked).arg(walked.headHash);
}

ChainCheck CheckChain(const VerifyResult &walked, const ChainAnchor &anchor)
{
    ChainCheck c;
    if (!walked.error.isEmpty()) {
        c.text = QStringLiteral("cannot read the record: %1").arg(walked.error);
        return c;
    }
    if (walked.ok && walked.checked == 0) {
        c.text = anchor.seq > 0 ? QStringLiteral("no record here: it holds no entries, but the "
                                                 "anchor names entry %1: the record was emptied "
                                                 "or replaced")
                                      .arg(anchor.seq)
                                : QStringLiteral("no record here: it holds no entries");
        return c;
    }
    if (!walked.ok) {
        const QString id = walked.id.isEmpty() ? QStringLiteral("missing") : walked.id;
        c.text = QStringLiteral("chain broken at entry %1 (id %2): %3; %4 entries before it intact")
                     .arg(walked.seq)
                     .arg(id, walked.reason)
                     .arg(walked.checked);
        return c;
    }
    if (anchor.seq > 0) {
        if (walked.checked < anchor.seq) {
            c.text = QStringLiteral("tail cut: the record ends at entry %1, but the anchor names "
                                    "entry %2: entries %3 to %2 (at least) were removed")
                         .arg(walked.checked)
                         .arg(anchor.seq)
                         .arg(walked.checked + 1);
            return c;
        }
        if (!walked.anchorHash.startsWith(anchor.hash)) {
            c.text = QStringLiteral("rebuilt: entry %1 does not carry the anchor's hash (%2, "
                                    "the record holds %3): entries up to it were changed and "
                                    "the chain made again")
                         .arg(anchor.seq)
                         .arg(anchor.hash.left(16), walked.anchorHash.left(16));
            return c;
        }
    }
    c.intact = true;
    c.text = QStringLiteral("chain intact, %1 entries").arg(walked.checked);
    if (anchor.seq > 0)
        c.text += QStringLiteral("; entry %1 matches the anchor (%2 entries after it)")
                      .arg(anchor.seq)
                      .arg(walked.checked - anchor.seq);
    return c;
}
