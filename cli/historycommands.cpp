// zeltctl history: the entries of the service record as a table, JSON or CSV,
// the check of its chain and the copy to the shared store. Options of its own,
// parsed apart from the instrument commands' (its --serial is an instrument's
// serial number, its --csv writes to standard output).
#include "historycommands.h"

#include "chaincheck.h"
#include "entrycsv.h"
#include "entryfields.h"
#include "entryshown.h"
#include "entrytext.h"
#include "historypath.h"
#include "historyshared.h"
#include "paramshown.h"
#include "recordhead.h"
#include "servicerecord.h"
#include "sharedreader.h"
#include "sharedurl.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>
#include <memory>

namespace {

constexpr int DefaultLimit = 100;

const char *const HistoryHelp = R"(
  history [--serial S] [--since DATE] [--until DATE] [--param NAME]
      [--source TEXT] [--outcome OUTCOME] [--limit N] [--raw]
      [--json|--jsonl|--csv]    the service record, newest first: time where
                                it was made, serial, parameter, old -> new as
                                the page showed them (--raw: the registers),
                                source, outcome, user@host; --json every field
                                (an array, streamed), --jsonl one object a
                                line, --csv every field as CSV. DATE: YYYY-MM-DD or
                                an ISO date-time; --until DATE includes that
                                day. OUTCOME: written, refused, timed-out,
                                link-lost, read-back-differs, outcome-unknown.
                                N: 100, 0 for all
  history verify [--against SEQ:HASH]
                                checks the record's hash chain, reading only:
                                exit 0 when intact, 1 naming the first entry
                                out of place, or when there is no record;
                                --against checks it still holds the chain head
                                a service report printed (entry SEQ with that
                                hash): a cut tail or a rebuilt chain is named
  history sync [--history-url URL]
                                copies to the shared store what it lacks
                                (URL postgresql://USER@HOST[:PORT]/DB, the
                                password from ~/.pgpass, PGPASSFILE or
                                PGPASSWORD; or $ZELT_HISTORY_URL, which wins)
  history --shared [filters]    every computer's entries in the shared store,
                                with user@host; --history-url implies it
  history verify --shared       the record against its copy in the shared
                                store: names a cut tail, a fork, a rebuilt chain
  history reset --confirm       starts a new, empty record in place of one
                                that is refused as not the record this
                                computer kept (emptied, cut back, replaced);
                                the old file is kept beside it, renamed, and
                                the reset is the new record's first entry
  history init-shared [--grant ROLE]
                                makes the shared store's tables (run once by
                                their owner); entries there can be added and
                                read, never changed; ROLE may add and read
  [--history FILE]              another record than the program's own
                                (history commands need no LINK)
)";
constexpr int PageSize = 1000;

// Options that take no value; every other option before the command word takes one.
const QStringList &flagOptions()
{
    static const QStringList flags = {"json",    "jsonl",  "csv", "help",   "h",
                                      "dry-run", "shared", "raw", "confirm"};
    return flags;
}

// Fields that are numbers in the JSON document.
bool isNumberField(const char *name)
{
    static const QStringList numbers = {"seq",     "utcOffset", "slaveId",
                                        "address", "count",     "exceptionCode"};
    return numbers.contains(QLatin1String(name));
}

QJsonObject entryJson(const ServiceEntry &entry)
{
    QJsonObject object;
    for (const EntryField &field : EntryFields(entry)) {
        // The serial number under the name every other command gives it; the
        // record's own field (and CSV column) stays "serial".
        const bool serial = qstrcmp(field.name, "serial") == 0;
        object.insert(serial ? QStringLiteral("serialNumber") : QLatin1String(field.name),
                      isNumberField(field.name) ? QJsonValue(field.value.toDouble())
                                                : QJsonValue(field.value));
    }
    object.insert(QStringLiteral("hash"), entry.hash);
    // The change as the page showed it, beside the stored fields (which the
    // hash covers and which are never rewritten).
    object.insert(QStringLiteral("change"), EntryShownChange(entry, false));
    return object;
}

class HistoryCommand
{
public:
    explicit HistoryCommand(CliStreams &streams) : m_s(streams) {}
    int run(const QStringList &arguments);

private:
    int runCommand(const QStringList &arguments);
    int usageError(const QString &message);
    int fail(const QString &message);
    bool readFilter(QString *error);
    bool openRecord(int *status);
    int list();
    int verify();
    int sync();
    int reset();
    // The page of the list after `last` (the first page when null).
    QVector<ServiceEntry> page(const ServiceEntry *last, int limit);

    CliStreams &m_s;
    QCommandLineParser m_parser;
    ServiceRecord m_record;
    HistoryFilter m_filter;
    int m_limit = DefaultLimit;
    ChainAnchor m_anchor;
    QString m_url;                          // the shared store, for the commands that use it
    std::unique_ptr<SharedReader> m_shared; // history --shared
    // --json or --jsonl: a run that failed before its list began prints its
    // error as the one document.
    bool m_listed = false;
    QString m_errorKind;
    QString m_errorMessage;
};

int HistoryCommand::usageError(const QString &message)
{
    m_s.err << "zeltctl: " << message << " (see zeltctl --help)\n";
    m_s.err.flush();
    m_errorKind = ErrorKind::Usage;
    m_errorMessage = message;
    return ExitUsage;
}

int HistoryCommand::fail(const QString &message)
{
    // A server's message may run over several lines; errors are one line.
    m_s.err << "zeltctl: " << message.simplified() << '\n';
    m_s.err.flush();
    m_errorKind = ErrorKind::Record;
    m_errorMessage = message.simplified();
    return ExitDiffers;
}

int HistoryCommand::run(const QStringList &arguments)
{
    const int status = runCommand(arguments);
    const bool jsonl = arguments.contains(QStringLiteral("--jsonl"));
    if (status == ExitDone || m_listed || m_errorKind.isEmpty() ||
        !(jsonl || arguments.contains(QStringLiteral("--json"))))
        return status;
    const QJsonDocument error(QJsonObject{{"error", ErrorJson(m_errorKind, m_errorMessage)}});
    m_s.out << QString::fromUtf8(
        error.toJson(jsonl ? QJsonDocument::Compact : QJsonDocument::Indented));
    if (jsonl)
        m_s.out << '\n';
    m_s.out.flush();
    return status;
}

int HistoryCommand::runCommand(const QStringList &arguments)
{
    QCommandLineParser &p = m_parser;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    p.addOptions({
        {"history", "The service record's SQLite file.", "file"},
        {"history-url", "The shared store.", "url"},
        {"against", "verify: a chain head from a report.", "seq:hash"},
        {"serial", "Entries of this instrument.", "serial"},
        {"since", "Entries from this time on.", "date"},
        {"until", "Entries before this time.", "date"},
        {"param", "Part of the parameter's name.", "text"},
        {"source", "Part of the source.", "text"},
        {"outcome", "Entries with this outcome.", "outcome"},
        {"limit", "At most this many entries.", "n"},
        {"json", "JSON output."},
        {"raw", "The register values of each change, not the page's texts."},
        {"jsonl", "JSON Lines output: one entry a line."},
        {"csv", "CSV output."},
        {"shared", "The shared store's entries (verify: against it)."},
        {"grant", "init-shared: a role that may add and read entries.", "role"},
        {"confirm", "reset: start a new record."},
        {{"h", "help"}, "This help."},
    });
    if (!p.parse(arguments))
        return usageError(p.errorText());
    if (p.isSet("help")) {
        m_s.out << "Usage: zeltctl history ...\n" << HistoryHelpText() << '\n';
        m_s.out.flush();
        return ExitDone;
    }
    QStringList args = p.positionalArguments();
    args.removeFirst(); // "history"
    const QString what = args.isEmpty() ? QString() : args.takeFirst();
    if (!args.isEmpty())
        return usageError(
            QStringLiteral("history %1 takes no argument %2").arg(what, args.first()));
    if (!what.isEmpty() && what != QLatin1String("verify") && what != QLatin1String("sync") &&
        what != QLatin1String("init-shared") && what != QLatin1String("reset"))
        return usageError(QStringLiteral("unknown history command %1").arg(what));
    // The shared store: sync, init-shared, --shared; naming it on the list lists it.
    const bool shared = what == QLatin1String("sync") || what == QLatin1String("init-shared") ||
                        p.isSet("shared") || (what.isEmpty() && p.isSet("history-url"));

    const QString command =
        what.isEmpty() ? QStringLiteral("history") : QStringLiteral("history ") + what;
    for (const QString &option : p.optionNames()) {
        const bool applies =
            option == QLatin1String("history-url") ? shared
            : option == QLatin1String("shared")  ? what.isEmpty() || what == QLatin1String("verify")
            : option == QLatin1String("grant")   ? what == QLatin1String("init-shared")
            : option == QLatin1String("against") ? what == QLatin1String("verify")
            : option == QLatin1String("confirm") ? what == QLatin1String("reset")
                                                 : what.isEmpty();
        if (!applies && option != QLatin1String("history"))
            return usageError(QStringLiteral("--%1 does not apply to %2").arg(option, command));
        if (option == QLatin1String("against") && what != QLatin1String("verify"))
            return usageError(QStringLiteral("--against does not apply to %1").arg(command));
    }
    if (p.isSet("against") && !ParseChainAnchor(p.value("against"), &m_anchor))
        return usageError(
            QStringLiteral("--against %1: expected SEQ:HASH, the entry number and "
                           "its hash (at least 12 hex digits) as a report prints them")
                .arg(p.value("against")));
    QString error;
    if (what.isEmpty() && !readFilter(&error))
        return usageError(error);
    if (shared) {
        m_url = SharedHistoryUrl(p.isSet("history-url") ? p.value("history-url")
                                                        : ConfiguredHistoryUrl());
        SharedUrl parsed;
        if (m_url.isEmpty())
            return usageError(QStringLiteral("%1 needs the shared store: --history-url "
                                             "URL, ZELT_HISTORY_URL or historyUrl in the "
                                             "settings file")
                                  .arg(command));
        if (!ParseSharedUrl(m_url, &parsed, &error))
            return usageError(QStringLiteral("shared store %1: %2").arg(MaskedUrl(m_url), error));
        // Any user of the computer can read a command line (ps, /proc): a
        // password goes to libpq's password file or the environment instead.
        ParseSharedUrl(p.value("history-url"), &parsed, nullptr);
        if (p.isSet("history-url") && !parsed.password.isEmpty())
            return usageError(QStringLiteral("--history-url %1: a password on the command line "
                                             "shows in the process list; give the address "
                                             "without it and put the password in ~/.pgpass (or "
                                             "the file PGPASSFILE names), or in PGPASSWORD or "
                                             "ZELT_HISTORY_URL")
                                  .arg(MaskedUrl(p.value("history-url"))));
    }
    if (what == QLatin1String("init-shared"))
        return RunInitShared(m_s, m_url, p.value("grant"));
    if (what.isEmpty() && shared) {
        m_shared = std::make_unique<SharedReader>();
        if (!m_shared->open(m_url, &error))
            return fail(error);
        return list();
    }

    if (what == QLatin1String("verify")) {
        const int chain = verify();
        return shared ? qMax(chain, PrintSharedComparison(m_s, m_record, m_url)) : chain;
    }
    if (what == QLatin1String("reset"))
        return reset();
    int status = ExitDone;
    if (!openRecord(&status))
        return status;
    if (what == QLatin1String("sync"))
        return sync();
    return list();
}

bool HistoryCommand::readFilter(QString *error)
{
    const QCommandLineParser &p = m_parser;
    if (int(p.isSet("json")) + int(p.isSet("jsonl")) + int(p.isSet("csv")) > 1) {
        *error = QStringLiteral("--json, --jsonl and --csv exclude each other");
        return false;
    }
    m_filter.serial = p.value("serial");
    m_filter.paramName = p.value("param");
    m_filter.source = p.value("source");
    if (p.isSet("outcome")) {
        ServiceEntry::Outcome outcome;
        QString text = p.value("outcome").toLower();
        text.replace(QLatin1Char('-'), QLatin1Char(' '))
            .replace(QLatin1Char('_'), QLatin1Char(' '));
        if (text == QLatin1String("outcome unknown") || text == QLatin1String("unknown"))
            text = OutcomeText(ServiceEntry::OutcomeUnknown);
        if (text.isEmpty() || !OutcomeFromText(text, &outcome)) {
            *error = QStringLiteral("--outcome %1: expected written, refused, timed-out, "
                                    "link-lost, read-back-differs, outcome-unknown or "
                                    "refused-by-the-instrument")
                         .arg(p.value("outcome"));
            return false;
        }
        m_filter.outcome = outcome;
    }
    for (const char *name : {"since", "until"}) {
        const bool end = qstrcmp(name, "until") == 0;
        QDateTime *when = end ? &m_filter.until : &m_filter.since;
        if (p.isSet(name) && !ParseHistoryTime(p.value(name), end, when)) {
            *error = QStringLiteral("--%1 %2: expected YYYY-MM-DD or an ISO date-time")
                         .arg(QLatin1String(name), p.value(name));
            return false;
        }
    }
    if (p.isSet("limit")) {
        bool ok = false;
        m_limit = p.value("limit").toInt(&ok);
        if (!ok || m_limit < 0) {
            *error =
                QStringLiteral("--limit %1: expected a number, 0 for all").arg(p.value("limit"));
            return false;
        }
    }
    return true;
}

bool HistoryCommand::openRecord(int *status)
{
    QString path = DefaultHistoryPath();
    if (m_parser.isSet("history")) {
        path = m_parser.value("history");
        // A mistyped file name must not leave an empty history behind.
        if (!QFileInfo(path).isFile()) {
            *status = usageError(QStringLiteral("--history %1: no such file").arg(path));
            return false;
        }
    }
    QString error;
    if (!m_record.open(path, &error)) {
        *status = fail(QStringLiteral("cannot open the history %1: %2").arg(path, error));
        return false;
    }
    return true;
}

int HistoryCommand::list()
{
    const int wanted = m_limit == 0 ? INT_MAX : m_limit;
    const bool json = m_parser.isSet("json"), jsonl = m_parser.isSet("jsonl");
    const bool csv = m_parser.isSet("csv");
    if (json || jsonl || csv) {
        // Page by page, so that a record of any size goes out in little memory.
        m_listed = true;
        int written = 0;
        if (csv)
            m_s.out << CsvLine(EntryCsvHeader());
        else if (json)
            m_s.out << '[';
        QVector<ServiceEntry> more = page(nullptr, qMin(wanted, PageSize));
        while (!more.isEmpty()) {
            for (const ServiceEntry &entry : qAsConst(more)) {
                if (csv) {
                    m_s.out << CsvLine(EntryCsvValues(entry));
                } else {
                    if (json)
                        m_s.out << (written == 0 ? "\n  " : ",\n  ");
                    m_s.out << QString::fromUtf8(
                        QJsonDocument(entryJson(entry)).toJson(QJsonDocument::Compact));
                    if (jsonl)
                        m_s.out << '\n';
                }
                ++written;
            }
            m_s.out.flush();
            const int left = wanted - written;
            more = more.size() < PageSize || left <= 0 ? QVector<ServiceEntry>()
                                                       : page(&more.last(), qMin(left, PageSize));
        }
        if (json)
            m_s.out << (written == 0 ? "]\n" : "\n]\n");
        m_s.out.flush();
        const QString readError = m_shared ? m_shared->lastError() : m_record.lastError();
        if (!readError.isEmpty())
            return fail(QStringLiteral("cannot read the history: %1").arg(readError));
        return ExitDone;
    }
    // Twice through the pages: the columns' widths first, then the lines, so
    // that a record of any size is listed in little memory. Entries added
    // between the two (newer than the first pass's newest) are left out.
    const bool raw = m_parser.isSet("raw");
    const auto cells = [raw](const ServiceEntry &entry) {
        // As the History page shows it: the page's words, the source by its labels.
        return QStringList{EntryLocalTime(entry),
                           entry.serial,
                           EntryParamName(entry, false),
                           raw ? EntryRawChange(entry) : EntryShownChange(entry, false),
                           ReadableSource(entry.source, false),
                           EntryOutcomeText(entry),
                           EntryWho(entry)};
    };
    const QStringList header = {"time",   "serial",  "parameter", "old → new",
                                "source", "outcome", "by"};
    QVector<int> widths;
    WidenTable(&widths, header);
    int listed = 0;
    ServiceEntry newest;
    const auto walk = [&](const std::function<void(const ServiceEntry &)> &each) {
        int seen = 0;
        QVector<ServiceEntry> more = page(nullptr, qMin(wanted, PageSize));
        while (!more.isEmpty()) {
            for (const ServiceEntry &entry : qAsConst(more)) {
                if (seen < wanted)
                    each(entry);
                ++seen;
            }
            const int left = wanted - seen;
            more = more.size() < PageSize || left <= 0 ? QVector<ServiceEntry>()
                                                       : page(&more.last(), qMin(left, PageSize));
        }
    };
    walk([&](const ServiceEntry &entry) {
        if (listed++ == 0)
            newest = entry;
        QStringList row = cells(entry);
        row.removeLast(); // the last column is not padded
        WidenTable(&widths, row);
    });
    QString readError = m_shared ? m_shared->lastError() : m_record.lastError();
    if (!readError.isEmpty())
        return fail(QStringLiteral("cannot read the history: %1").arg(readError));
    PrintTableLine(m_s.out, widths, header);
    int printed = 0;
    const auto newer = [&](const ServiceEntry &e) {
        return e.timeUtc > newest.timeUtc ||
               (e.timeUtc == newest.timeUtc && e.seq > newest.seq && e.origin == newest.origin);
    };
    walk([&](const ServiceEntry &entry) {
        if (printed >= listed || (printed == 0 && listed > 0 && newer(entry)))
            return;
        PrintTableLine(m_s.out, widths, cells(entry));
        if (++printed % PageSize == 0)
            m_s.out.flush();
    });
    readError = m_shared ? m_shared->lastError() : m_record.lastError();
    if (!readError.isEmpty())
        return fail(QStringLiteral("cannot read the history: %1").arg(readError));
    if (listed == m_limit && m_shared) {
        m_s.out << QStringLiteral("the newest %1 entries (--limit)\n").arg(listed);
    } else if (listed == m_limit) {
        m_s.out << QStringLiteral("the newest %1 of %2 entries (--limit)\n")
                       .arg(listed)
                       .arg(m_record.count(m_filter));
    }
    m_s.out.flush();
    return ExitDone;
}

QVector<ServiceEntry> HistoryCommand::page(const ServiceEntry *last, int limit)
{
    if (m_shared)
        return last ? m_shared->fetchAfter(m_filter, *last, limit)
                    : m_shared->fetch(m_filter, limit);
    return last ? m_record.fetchAfter(m_filter, *last, limit) : m_record.fetch(m_filter, 0, limit);
}

int HistoryCommand::verify()
{
    // The check only reads: a missing record is not made, nothing is stamped,
    // not even the History folder.
    const QString path =
        m_parser.isSet("history") ? m_parser.value("history") : DefaultHistoryFile();
    QString error;
    if (!m_record.openReadOnly(path, &error))
        return fail(error);
    const VerifyResult result = m_record.verify(m_anchor.seq);
    if (!result.error.isEmpty())
        return fail(QStringLiteral("cannot read the history: %1").arg(result.error));
    const ChainCheck check = CheckChain(result, m_anchor);
    m_s.out << check.text << '\n';
    for (const QString &line : m_record.intentsUnderWay())
        m_s.out << line << '\n';
    m_s.out.flush();
    return check.intact ? ExitDone : ExitDiffers;
}

int HistoryCommand::sync()
{
    const SyncResult result = m_record.syncShared(m_url);
    // The counts are this store's: another store keeps its own.
    m_s.out << QStringLiteral("%1: copied %2, already there %3, failed %4, waiting %5\n")
                   .arg(result.store.isEmpty()
                            ? MaskedUrl(m_url)
                            : QStringLiteral("store %1 at %2").arg(result.store, MaskedUrl(m_url)))
                   .arg(result.copied)
                   .arg(result.alreadyThere)
                   .arg(result.failed)
                   .arg(m_record.pendingCopies(result.store));
    m_s.out.flush();
    if (!result.ok)
        return fail(QStringLiteral("history sync failed: %1").arg(result.error));
    return ExitDone;
}

int HistoryCommand::reset()
{
    if (!m_parser.isSet("confirm"))
        return usageError(QStringLiteral("history reset starts a new, empty service record in "
                                         "place of the one there; give --confirm to do it"));
    const bool own = !m_parser.isSet("history");
    const QString path = own ? DefaultHistoryPath() : m_parser.value("history");
    // What was there, as far as it can be read, goes into the new record's first entry.
    QString before = QStringLiteral("no record was there");
    if (QFileInfo::exists(path)) {
        ServiceRecord old;
        QString why;
        if (old.openReadOnly(path, &why)) {
            const VerifyResult walked = old.verify();
            before = QStringLiteral("the record before was %1, %2 entries in order up to "
                                    "entry %3 (%4)%5")
                         .arg(old.origin())
                         .arg(walked.checked)
                         .arg(walked.checked)
                         .arg(walked.headHash.left(16))
                         .arg(walked.ok ? QString() : QStringLiteral(", its chain broken after"));
        } else {
            before = QStringLiteral("the file there could not be read (%1)").arg(why);
        }
    }
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString kept = path + QStringLiteral(".replaced-") + stamp;
    for (const char *suffix : {"", "-wal", "-shm"}) {
        const QString from = path + QLatin1String(suffix);
        if (QFileInfo::exists(from) && !QFile::rename(from, kept + QLatin1String(suffix)))
            return fail(QStringLiteral("history reset: cannot rename %1 to %2; nothing changed "
                                       "(close every program that holds the record first)")
                            .arg(from, kept + QLatin1String(suffix)));
    }
    if (QFileInfo::exists(kept))
        before += QStringLiteral("; its file is kept as %1").arg(kept);
    ForgetRecordHead(path, own ? DefaultSettingsFile() : QString());
    QString error;
    if (!m_record.open(path, &error))
        return fail(QStringLiteral("history reset: %1").arg(error));
    ServiceEntry e;
    e.kind = ServiceEntry::Connect;
    e.source = QStringLiteral("record reset");
    e.detail =
        QStringLiteral("a new record started by zeltctl history reset --confirm; %1").arg(before);
    if (!m_record.append(e, &error))
        return fail(QStringLiteral("history reset: %1").arg(error));
    m_s.out << QStringLiteral("a new service record %1 in %2; %3\n")
                   .arg(m_record.origin(), path, before);
    m_s.out.flush();
    return ExitDone;
}

} // namespace

bool ParseHistoryTime(QString text, bool end, QDateTime *when)
{
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (day.isValid() && text.size() == 10) {
        *when = QDateTime(end ? day.addDays(1) : day, QTime(0, 0), Qt::LocalTime);
        return true;
    }
    if (text.size() > 10 && text.at(10) == QLatin1Char(' '))
        text[10] = QLatin1Char('T');
    *when = QDateTime::fromString(text, Qt::ISODateWithMs);
    return when->isValid();
}

QString HistoryHelpText()
{
    return QString::fromUtf8(HistoryHelp).trimmed().prepend(QStringLiteral("  "));
}

bool IsHistoryCommand(const QStringList &arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("--"))
            return arguments.value(i + 1) == QLatin1String("history");
        if (!a.startsWith(QLatin1Char('-')))
            return a == QLatin1String("history");
        const QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        if (!name.contains(QLatin1Char('=')) && !flagOptions().contains(name))
            ++i; // its value
    }
    return false;
}

int RunHistory(const QStringList &arguments, CliStreams &streams)
{
    HistoryCommand command(streams);
    return command.run(arguments);
}
