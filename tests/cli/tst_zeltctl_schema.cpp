// zeltctl's output scheme: every command's --json document checked against the
// one schema in zeltctl-output.schema.json, and one exit status for one kind of
// outcome whatever the command.
#include "devicemodel.h"
#include "hostilepeer.h"
#include "linkfixture.h"
#include "modbuslink.h"
#include "paramtemplate.h"
#include "simhost.h"
#include "zeltctlrun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

// The part of JSON Schema the file uses: $ref into definitions, type, enum,
// pattern, properties, required, additionalProperties: false, items, anyOf.
class SchemaCheck
{
public:
    explicit SchemaCheck(const QJsonObject &root) : m_root(root) {}

    QStringList faults(const QJsonValue &v, const QString &definition) const
    {
        QStringList out;
        check(v, m_root.value("definitions").toObject().value(definition).toObject(),
              QStringLiteral("$"), &out);
        return out;
    }

private:
    static bool hasType(const QJsonValue &v, const QString &type)
    {
        if (type == QLatin1String("integer"))
            return v.isDouble() && v.toDouble() == std::floor(v.toDouble());
        if (type == QLatin1String("number"))
            return v.isDouble();
        if (type == QLatin1String("string"))
            return v.isString();
        if (type == QLatin1String("boolean"))
            return v.isBool();
        if (type == QLatin1String("object"))
            return v.isObject();
        if (type == QLatin1String("array"))
            return v.isArray();
        return type == QLatin1String("null") && v.isNull();
    }

    void check(const QJsonValue &v, QJsonObject schema, const QString &at, QStringList *out) const
    {
        const QString ref = schema.value("$ref").toString();
        if (!ref.isEmpty()) {
            schema = m_root.value("definitions")
                         .toObject()
                         .value(ref.section(QLatin1Char('/'), -1))
                         .toObject();
            if (schema.isEmpty()) {
                *out << at + QStringLiteral(": no definition ") + ref;
                return;
            }
        }
        if (schema.contains("anyOf")) {
            QStringList all;
            for (const QJsonValue &option : schema.value("anyOf").toArray()) {
                QStringList mine;
                check(v, option.toObject(), at, &mine);
                if (mine.isEmpty())
                    return;
                all += mine;
            }
            *out << at + QStringLiteral(": matches no choice (") + all.join("; ") + ')';
            return;
        }
        if (schema.contains("type")) {
            const QJsonValue t = schema.value("type");
            QStringList types;
            for (const QJsonValue &one : t.isArray() ? t.toArray() : QJsonArray{t})
                types << one.toString();
            if (std::none_of(types.begin(), types.end(),
                             [&](const QString &type) { return hasType(v, type); })) {
                *out << at + QStringLiteral(": not ") + types.join('|');
                return;
            }
        }
        if (schema.contains("enum") && !schema.value("enum").toArray().contains(v))
            *out << at + QStringLiteral(": not one of the enum");
        if (v.isString() && schema.contains("pattern") &&
            !QRegularExpression(schema.value("pattern").toString()).match(v.toString()).hasMatch())
            *out << at + QStringLiteral(": \"%1\" does not match %2")
                             .arg(v.toString(), schema.value("pattern").toString());
        if (v.isObject()) {
            const QJsonObject o = v.toObject();
            const QJsonObject properties = schema.value("properties").toObject();
            for (const QJsonValue &name : schema.value("required").toArray()) {
                if (!o.contains(name.toString()))
                    *out << at + QStringLiteral(": lacks ") + name.toString();
            }
            for (auto it = o.begin(); it != o.end(); ++it) {
                if (properties.contains(it.key()))
                    check(it.value(), properties.value(it.key()).toObject(), at + '.' + it.key(),
                          out);
                else if (schema.value("additionalProperties") == QJsonValue(false))
                    *out << at + QStringLiteral(": unknown ") + it.key();
            }
        }
        if (v.isArray() && schema.contains("items")) {
            const QJsonArray a = v.toArray();
            for (int i = 0; i < a.size(); ++i)
                check(a[i], schema.value("items").toObject(), at + QStringLiteral("[%1]").arg(i),
                      out);
        }
    }

    QJsonObject m_root;
};

} // namespace

class TstZeltctlSchema : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { DisconnectModbus(); }

    void everyCommandsDocumentFollowsTheSchema();
    void anInstrumentOutOfReachExitsThreeWhateverTheCommand_data();
    void anInstrumentOutOfReachExitsThreeWhateverTheCommand();
    void everyFailureIsOneDocumentNamingItsKind_data();
    void everyFailureIsOneDocumentNamingItsKind();

private:
    QStringList faults(const QString &json, const QString &definition) const;
    // The one JSON document text holds; a failure when it holds none or more.
    static QJsonObject oneDocument(const QString &text);

    QTemporaryDir m_dir;
    std::unique_ptr<SchemaCheck> m_schema;
};

void TstZeltctlSchema::initTestCase()
{
    qputenv("ZELT_HOME", m_dir.filePath(QStringLiteral("home")).toUtf8());
    QFile file(QStringLiteral(ZELT_SOURCE_DIR "/tests/cli/zeltctl-output.schema.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    QVERIFY2(doc.isObject(), qPrintable(error.errorString()));
    m_schema = std::make_unique<SchemaCheck>(doc.object());
}

QStringList TstZeltctlSchema::faults(const QString &json, const QString &definition) const
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (!doc.isObject())
        return {definition + QStringLiteral(": no JSON document: ") + error.errorString()};
    QStringList out;
    for (const QString &f : m_schema->faults(doc.object(), definition))
        out << definition + QStringLiteral(" ") + f;
    return out;
}

QJsonObject TstZeltctlSchema::oneDocument(const QString &text)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (!doc.isObject())
        QTest::qFail(
            qPrintable(
                QStringLiteral("not one JSON document (%1): %2").arg(error.errorString(), text)),
            __FILE__, __LINE__);
    return doc.object();
}

void TstZeltctlSchema::everyCommandsDocumentFollowsTheSchema()
{
    sim::SimHost sim(sim::Kind::Analog, 0);
    QVERIFY(sim.startTcp());
    sim.model().setLiveFrozen(true);
    const QStringList link{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.port())};
    const QString backup = m_dir.filePath(QStringLiteral("b.xlsx"));
    const QString hosts = m_dir.filePath(QStringLiteral("hosts"));
    const QString out = m_dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    {
        QFile f(hosts);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("127.0.0.1:%1\n").arg(sim.port()).toUtf8());
    }

    struct Case
    {
        QStringList args;
        const char *definition;
        bool withLink; // the instrument's link: its options come first
    };
    // In order: the backup the file commands use, then a change that they find.
    const QVector<Case> cases = {
        {{"info", "--stats"}, "info", true},
        {{"read", "EditZeroRange", "cBoxSampleRate", "EditFullScale", "--raw"}, "read", true},
        {{"write", "EditTrZeroRange=3"}, "write", true},
        {{"backup", backup}, "backup", true},
        {{"write", "EditZeroRange=37", "cBoxSampleRate=960"}, "write", true},
        {{"compare", backup, "--stats"}, "compare", true},
        {{"restore", backup, "--dry-run"}, "dryRun", true},
        {{"compare", "--hosts", hosts, backup}, "fleetCheck", false},
        {{"restore", "--hosts", hosts, backup, "--dry-run"}, "fleetCheck", false},
        {{"restore", backup}, "restore", true},
        {{"backup", "--hosts", hosts, out}, "fleetBackup", false},
        {{"scan", "--tcp", "127.0.0.1", "--port", QString::number(sim.port()), "--slaves", "1-2"},
         "scan",
         false},
        {{"report", m_dir.filePath(QStringLiteral("r.pdf")), "--sample", "0"}, "report", true},
    };
    QStringList found;
    QJsonArray differences;
    for (const Case &c : cases) {
        const Run run = zeltctl((c.withLink ? link : QStringList()) + c.args +
                                QStringList{QStringLiteral("--json")});
        QVERIFY2(run.status == 0 || run.status == 1,
                 qPrintable(c.args.join(' ') + QStringLiteral(": ") + run.err));
        found += faults(run.out, QLatin1String(c.definition));
        if (qstrcmp(c.definition, "compare") == 0) // the two parameters written before it
            differences = run.json().value("differences").toArray();
    }
    // A zero taken on the empty platform.
    sim.model().setLiveLoad(0);
    const Run zero =
        zeltctl(link + QStringList{"calibrate", "zero", "--yes", "--settle", "0", "--json"});
    QVERIFY2(zero.status == 0, qPrintable(zero.err));
    found += faults(zero.out, QStringLiteral("calibration"));
    // A scale test's document, every weight in its unit.
    const Run test = zeltctl(link + QStringList{"test", "--standard", "custom", "--tolerance", "1%",
                                                "--loads", "0,500", "--auto", "--settle", "0",
                                                "--point-timeout", "1", "--json"});
    QVERIFY2(test.status == 0 || test.status == 1, qPrintable(test.err));
    found += faults(test.out, QStringLiteral("test"));
    // The differing rows of compare and of the dry run are one shape, and
    // name a parameter as read and write do: its catalogue name, its label
    // as the description.
    const Run compare = zeltctl(link + QStringList{"compare", backup, "--json"});
    const Run dry = zeltctl(link + QStringList{"restore", backup, "--dry-run", "--json"});
    QCOMPARE(compare.json().value("differences"), dry.json().value("changes"));
    const Run read =
        zeltctl(link + QStringList{"read", "EditZeroRange", "cBoxSampleRate", "--json"});
    QStringList readNames, compareNames;
    for (const QJsonValue &p : read.json().value("parameters").toArray())
        readNames << p["name"].toString() + '/' + p["description"].toString();
    for (const QJsonValue &p : differences)
        compareNames << p["name"].toString() + '/' + p["description"].toString();
    QCOMPARE(compareNames, readNames);

    // The service record's entries those commands left.
    const Run history = zeltctl({"history", "--json"});
    QCOMPARE(history.status, 0);
    const QJsonArray entries = QJsonDocument::fromJson(history.out.toUtf8()).array();
    QVERIFY(!entries.isEmpty());
    for (const QJsonValue &entry : entries)
        found += m_schema->faults(entry, QStringLiteral("historyEntry"));

    const Run watch = zeltctl(link + QStringList{"watch", "--count", "2", "--json"});
    QCOMPARE(watch.status, 0);
    const QStringList lines = watch.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    for (const QString &line : lines)
        found += faults(line, QStringLiteral("watchLine"));
    QVERIFY2(found.isEmpty(), qPrintable(found.join('\n')));
}

void TstZeltctlSchema::anInstrumentOutOfReachExitsThreeWhateverTheCommand_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("definition"); // what a document with results would be
    QTest::addColumn<bool>("json");
    const QString file = m_dir.filePath(QStringLiteral("template.xlsx"));
    QVERIFY(QFile::exists(file) || WriteParamTemplate(file, 0));
    const QString dir = m_dir.filePath(QStringLiteral("fleet"));
    QDir().mkpath(dir);
    const QVector<QPair<QStringList, QString>> commands = {
        {{"info"}, "info"},
        {{"read", "EditZeroRange"}, "read"},
        {{"write", "EditZeroRange=3"}, "write"},
        {{"backup", m_dir.filePath(QStringLiteral("any.xlsx"))}, "backup"},
        {{"restore", file}, "restore"},
        {{"restore", file, "--dry-run"}, "dryRun"},
        {{"compare", file}, "compare"},
        {{"watch", "--count", "1"}, "watchLine"},
        {{"report", m_dir.filePath(QStringLiteral("x.pdf"))}, "report"},
        {{"test", "--auto"}, "failure"},
        {{"calibrate", "zero", "--yes"}, "calibration"},
        {{"backup", "--hosts", "HOSTS", dir}, "fleetBackup"},
        {{"compare", "--hosts", "HOSTS", file}, "fleetCheck"},
        {{"restore", "--hosts", "HOSTS", file, "--dry-run"}, "fleetCheck"},
    };
    for (bool json : {false, true}) {
        for (const auto &c : commands)
            QTest::addRow("%s%s", qPrintable(c.first.join(' ').remove(m_dir.path())),
                          json ? ", --json" : "")
                << c.first << c.second << json;
    }
}

// Exit 3, one line on standard error and, with --json, one document on
// standard output that says so; --stats puts the figures into that document.
void TstZeltctlSchema::anInstrumentOutOfReachExitsThreeWhateverTheCommand()
{
    QFETCH(QStringList, args);
    QFETCH(QString, definition);
    QFETCH(bool, json);
    // A port nothing listens on.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const QString peer = QStringLiteral("127.0.0.1:%1").arg(server.serverPort());
    server.close();
    const QString hosts = m_dir.filePath(QStringLiteral("absent-hosts"));
    {
        QFile f(hosts);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(peer.toUtf8() + '\n');
    }
    const bool fleet = args.contains(QStringLiteral("--hosts"));
    args.replaceInStrings(QStringLiteral("HOSTS"), hosts);
    if (json)
        args << QStringLiteral("--json");
    const QStringList link{"--tcp", peer, "--timeout", "200"};
    const Run run = zeltctl(fleet ? args : link + args);
    QCOMPARE(run.status, 3);
    QVERIFY(!run.err.isEmpty());
    if (!json) {
        QVERIFY2(!run.out.trimmed().startsWith('{'), qPrintable(run.out));
    } else {
        const QJsonObject doc = oneDocument(run.out);
        QVERIFY2(
            faults(run.out, fleet ? definition : QStringLiteral("failure")).isEmpty(),
            qPrintable(faults(run.out, fleet ? definition : QStringLiteral("failure")).join('\n')));
        QCOMPARE(doc.value("error").toObject().value("kind").toString(),
                 QStringLiteral("unreachable"));
        QVERIFY(!doc.value("error").toObject().value("message").toString().isEmpty());
    }
    // Without --hosts, --stats gives the figures of the failed attempt: in the
    // document with --json, on standard error without.
    if (!fleet) {
        const Run stats = zeltctl(link + QStringList{"--stats"} + args);
        QCOMPARE(stats.status, 3);
        QCOMPARE(stats.err.contains(QLatin1String("answered well")), !json);
        if (json) {
            const QJsonObject doc = oneDocument(stats.out);
            QVERIFY2(doc.value("link").isObject(), qPrintable(stats.out));
            QVERIFY2(faults(stats.out, QStringLiteral("failure")).isEmpty(),
                     qPrintable(faults(stats.out, QStringLiteral("failure")).join('\n')));
        }
    }
}

void TstZeltctlSchema::everyFailureIsOneDocumentNamingItsKind_data()
{
    QTest::addColumn<QStringList>("args"); // LINK: the instrument's link
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("definition");
    const QString file = m_dir.filePath(QStringLiteral("template.xlsx"));
    QVERIFY(QFile::exists(file) || WriteParamTemplate(file, 0));
    const QString notBook = m_dir.filePath(QStringLiteral("not-a-book.xlsx"));
    {
        QFile f(notBook);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a workbook");
    }
    // A usage error of every command, before anything is asked.
    const QVector<QStringList> usage = {
        {"--bogus", "info"},
        {"LINK"},
        {"LINK", "frobnicate"},
        {"LINK", "info", "extra"},
        {"LINK", "read"},
        {"LINK", "read", "NoSuchField"},
        {"LINK", "write", "EditZeroRange"},
        {"LINK", "backup", "x.txt"},
        {"LINK", "restore", file, "--dry-run", "--all"},
        {"LINK", "compare", file, file},
        {"LINK", "watch", "--count", "0"},
        {"scan", "--tcp", "127.0.0.1", "--stats"},
        {"LINK", "report"},
        {"LINK", "test", "--class", "V", "--auto"},
        {"LINK", "calibrate", "twice"},
        {"backup", "--hosts", m_dir.filePath(QStringLiteral("no-hosts")), m_dir.path()},
        {"history", "--limit", "x"},
        {"history", "--history", m_dir.filePath(QStringLiteral("none.sqlite"))},
    };
    for (const QStringList &args : usage)
        QTest::addRow("usage: %s", qPrintable(QStringList(args).join(' ').remove(m_dir.path())))
            << args << 2 << "usage"
            << "failure";
    QTest::newRow("file: compare") << QStringList{"LINK", "compare", notBook} << 1 << "file"
                                   << "failure";
    QTest::newRow("file: restore") << QStringList{"LINK", "restore", notBook} << 1 << "file"
                                   << "failure";
    QTest::newRow("refused: the first read") << QStringList{"REFUSING", "info"} << 1 << "refused"
                                             << "failure";
    QTest::newRow("lost: read") << QStringList{"FALLING",       "read",           "EditZeroRange",
                                               "EditFullScale", "cBoxSampleRate", "EditTrZeroRange",
                                               "cBoxDivision",  "EditZeroRange"}
                                << 3 << "lost"
                                << "read";
    QTest::newRow("lost: watch") << QStringList{"FALLING", "watch", "--count", "9"} << 3 << "lost"
                                 << "watchLine";
}

// Every way a command fails, with --json and --stats: one document on
// standard output, following the schema, whose error names the kind.
void TstZeltctlSchema::everyFailureIsOneDocumentNamingItsKind()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, kind);
    QFETCH(QString, definition);
    hostile::Peer peer;
    QVERIFY(peer.listen());
    if (args.first() == QLatin1String("REFUSING"))
        peer.refuseReads(RegisterGroupTable[2].start, RegisterGroupTable[2].start);
    // Answers the first reads, then is silent for good.
    int answered = 0;
    if (args.first() == QLatin1String("FALLING"))
        peer.onRequest = [&] {
            if (++answered > 3)
                peer.setAnswer(hostile::Answer::Silent);
        };
    const QStringList link{"--tcp", QStringLiteral("127.0.0.1:%1").arg(peer.port()), "--timeout",
                           "200", "--stats"};
    for (const char *token : {"LINK", "REFUSING", "FALLING"})
        args.replaceInStrings(QRegularExpression(QStringLiteral("^%1$").arg(QLatin1String(token))),
                              link.join('\n'));
    args = args.join('\n').split('\n');
    const Run run = zeltctl(args + QStringList{"--json"});
    QCOMPARE(run.status, status);
    // Standard error keeps its line.
    QVERIFY2(run.err.startsWith(QLatin1String("zeltctl: ")), qPrintable(run.err));
    const bool lines = definition == QLatin1String("watchLine");
    const QString last = lines ? run.out.trimmed().section('\n', -1) : run.out;
    const QJsonObject doc = oneDocument(last);
    QCOMPARE(doc.value("error").toObject().value("kind").toString(), kind);
    QVERIFY(!doc.value("error").toObject().value("message").toString().isEmpty());
    QVERIFY2(faults(last, definition).isEmpty(), qPrintable(faults(last, definition).join('\n')));
    // The figures ride in the document, not on standard error, once a link was asked for.
    QVERIFY(!run.err.contains(QLatin1String("answered well")));
    if (kind != QLatin1String("usage") && kind != QLatin1String("file"))
        QVERIFY2(doc.value("link").isObject(), qPrintable(last));
    // What was done before the loss stays in the document.
    if (kind == QLatin1String("lost") && !lines)
        QVERIFY2(!doc.value("parameters").toArray().isEmpty(), qPrintable(run.out));
}

QTEST_MAIN(TstZeltctlSchema)
#include "tst_zeltctl_schema.moc"
