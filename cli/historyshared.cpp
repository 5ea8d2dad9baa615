#include "historyshared.h"

#include "filepaths.h"
#include "programrecord.h"
#include "servicerecord.h"
#include "sharedstore.h"
#include "sharedurl.h"

#include <QSettings>

QString ConfiguredHistoryUrl()
{
    return QSettings(SettingsFilePath(), QSettings::IniFormat)
        .value(QStringLiteral("Zelt/historyUrl"))
        .toString();
}

SharedCopyAtExit::~SharedCopyAtExit()
{
    if (!on)
        return;
    const SyncResult result = CopyProgramRecord(ConfiguredHistoryUrl(), CopyAtExitMs);
    if (result.ok)
        return;
    m_s.err << "zeltctl: the changes are in the local service record; "
            << QStringLiteral("%1 wait for the next copy to the shared history: %2")
                   .arg(result.failed)
                   .arg(result.error.simplified())
            << '\n';
    m_s.err.flush();
}

int RunInitShared(CliStreams &s, const QString &url, const QString &grantTo)
{
    QString error;
    if (!InitSharedStore(url, grantTo, &error)) {
        s.err << "zeltctl: "
              << QStringLiteral("history init-shared failed: %1").arg(error.simplified()) << '\n';
        s.err.flush();
        return ExitDiffers;
    }
    SharedUrl parsed;
    ParseSharedUrl(url, &parsed, nullptr);
    s.out << QStringLiteral("the shared history at %1 is ready: entries can be added and read, "
                            "never changed or removed\n")
                 .arg(parsed.shown());
    s.out << (grantTo.isEmpty() ? QStringLiteral("engineers' roles need: GRANT SELECT, INSERT ON "
                                                 "service_entries TO <role> (or --grant ROLE)\n")
                                : QStringLiteral("%1 may add and read entries\n").arg(grantTo));
    s.out.flush();
    return ExitDone;
}

int PrintSharedComparison(CliStreams &s, ServiceRecord &record, const QString &url)
{
    const SharedComparison c = record.compareShared(url);
    if (!c.read) {
        s.err << "zeltctl: "
              << QStringLiteral("cannot compare with the shared history: %1")
                     .arg(c.error.simplified())
              << '\n';
        s.err.flush();
        return ExitDiffers;
    }
    if (c.sharedHeadSeq > 0)
        s.out << QStringLiteral("shared copy: entry %1, hash %2\n")
                     .arg(c.sharedHeadSeq)
                     .arg(c.sharedHeadHash);
    if (c.ok()) {
        if (c.finding == SharedComparison::NothingCopied)
            s.out << c.text << QStringLiteral(" (%1 waiting)\n").arg(c.waiting);
        else
            s.out << QStringLiteral("matches the shared copy: %1 entries alike, %2 not yet "
                                    "copied\n")
                         .arg(c.matched)
                         .arg(c.waiting);
    } else {
        s.out << QStringLiteral("differs from the shared copy at entry %1: %2; %3 entries "
                                "before it alike\n")
                     .arg(c.seq)
                     .arg(c.text)
                     .arg(c.matched);
    }
    for (const QString &other : c.othersFromThisHost)
        s.out << QStringLiteral("another record of this computer in the shared history: %1\n")
                     .arg(other);
    s.out.flush();
    return c.ok() ? ExitDone : ExitDiffers;
}
