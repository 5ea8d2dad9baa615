#include "testreport.h"

#include "decimaltext.h"
#include "servicerecorder.h"

#include <QJsonArray>
#include <cmath>

namespace {

const QString CellSeparator = QStringLiteral(" | ");
// The table's columns before U was stated beside the error.
constexpr int OldColumns = 9;

// A weight in counts that may be a half count (a tolerance of 0.5 e with e = 1).
QString unitsText(const ScaleRanges &r, double counts)
{
    if (counts == std::floor(counts))
        return FormatScaled(qint64(counts), r.decimals);
    return QString::number(counts / std::pow(10.0, r.decimals), 'f', r.decimals + 1);
}

QString signedText(const ScaleRanges &r, qint64 counts)
{
    const QString text = FormatScaled(counts, r.decimals);
    return counts >= 0 ? QLatin1Char('+') + text : text;
}

QString divisionsText(double e, bool sign)
{
    QString text = QString::number(e, 'f', 2);
    if (sign && e >= 0)
        text.prepend(QLatin1Char('+'));
    return text;
}

// U in units, two digits below the instrument's last (it is stated in
// hundredths of a count).
QString uncertaintyText(const ScaleRanges &r, qint64 centis)
{
    return QString::number(double(centis) / 100.0 / std::pow(10.0, r.decimals), 'f',
                           r.decimals + 2);
}

QString uncertaintyCell(const ScaleRanges &r, const PointResult &p)
{
    if (p.status != PointResult::Captured)
        return QString();
    if (!p.uncertainty.stated)
        return TestReport::tr("not stated");
    return QStringLiteral("±") + uncertaintyText(r, p.uncertainty.expandedCentis);
}

// A standard uncertainty in units, three digits below the instrument's last.
QString termText(const ScaleRanges &r, double counts)
{
    return QString::number(counts / std::pow(10.0, r.decimals), 'f', r.decimals + 3);
}

QString testText(const PlanPoint &p)
{
    const QString kind = TestPlans::kindText(p.kind);
    if (p.kind == PointKind::Eccentricity && p.position > 0)
        return TestReport::tr("%1, corner %2").arg(kind).arg(p.position);
    if (p.kind == PointKind::Repeatability && p.repeat > 0)
        return TestReport::tr("%1 %2").arg(kind).arg(p.repeat);
    return kind;
}

QString resultText(const PointResult &p)
{
    if (p.status != PointResult::Captured)
        return TestReport::statusText(p.status);
    return p.pass ? TestReport::tr("pass") : TestReport::tr("FAIL");
}

} // namespace

QString TestReport::verdictText(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
        return tr("pass");
    case Verdict::Fail:
        return tr("fail");
    case Verdict::Incomplete:
        break;
    }
    return tr("incomplete");
}

QString TestReport::statusText(PointResult::Status status)
{
    switch (status) {
    case PointResult::Open:
        return tr("open");
    case PointResult::Captured:
        return tr("captured");
    case PointResult::Skipped:
        return tr("skipped");
    case PointResult::TimedOut:
        break;
    }
    return tr("timed out");
}

QStringList TestReport::header()
{
    return {tr("#"),         tr("TEST"),      tr("LOAD"),      tr("INDICATION"), tr("ERROR"),
            tr("ERROR (e)"), tr("U (k = 2)"), tr("TOLERANCE"), tr("TOL (e)"),    tr("RESULT")};
}

QVector<QStringList> TestReport::rows(const TestResult &result)
{
    const ScaleRanges &r = result.ranges;
    QVector<QStringList> rows;
    for (int i = 0; i < result.points.size(); ++i) {
        const PointResult &p = result.points[i];
        const bool taken = p.status == PointResult::Captured;
        rows.append({QString::number(i + 1), testText(p.point), r.weightText(p.point.load),
                     taken ? r.weightText(p.indication) : QString(),
                     taken ? signedText(r, p.error) : QString(),
                     taken ? divisionsText(p.errorInDivisions(), true) : QString(),
                     uncertaintyCell(r, p), QStringLiteral("±") + unitsText(r, p.tolerance),
                     QStringLiteral("±") + divisionsText(p.toleranceInDivisions(), false),
                     resultText(p)});
    }
    return rows;
}

QStringList TestReport::summary(const TestResult &result)
{
    const ScaleRanges &r = result.ranges;
    QStringList lines;
    if (result.repeatability.applies)
        lines << tr("repeatability: spread %1, limit %2: %3")
                     .arg(r.weightText(result.repeatability.spread),
                          unitsText(r, result.repeatability.limit) + QLatin1Char(' ') + r.unit,
                          result.repeatability.pass ? tr("pass") : tr("FAIL"));
    if (result.eccentricity.applies)
        lines << tr("eccentricity: largest error %1 on corner %2: %3")
                     .arg(signedText(r, result.eccentricity.worstError) + QLatin1Char(' ') + r.unit)
                     .arg(result.eccentricity.worstPosition)
                     .arg(result.eccentricity.pass ? tr("pass") : tr("FAIL"));
    for (const PointResult &p : result.points) {
        if (!p.note.isEmpty())
            lines << p.note;
    }
    if (!result.stopReason.isEmpty())
        lines << tr("stopped: %1").arg(result.stopReason);
    if (!result.testWeights.isEmpty())
        lines << tr("test weights: %1").arg(result.testWeights);
    lines << uncertaintyLines(result);
    lines << tr("decision rule: %1").arg(Uncertainty::ruleTitle(result.rule));
    QStringList ranges;
    for (const WeighingRange &w : r.ranges)
        ranges << tr("max %1, e = %2").arg(r.weightText(w.fullScale), r.weightText(w.division));
    const QString phase = result.phase.isEmpty() ? QString() : result.phase + QStringLiteral(": ");
    lines << tr("%1verdict %2 (%3; %4)")
                 .arg(phase, verdictText(result.verdict()), Tolerances::title(result.choice),
                      ranges.join(QStringLiteral("; ")));
    return lines;
}

QStringList TestReport::uncertaintyLines(const TestResult &result)
{
    if (!result.weightClassGiven)
        return {tr("uncertainty not stated: no weight class given")};
    QStringList lines{tr("uncertainty: U = k u with k = 2 (about 95 %), EURAMET cg-18; test "
                         "weights of class %1 (OIML R 111) at their nominal values")
                          .arg(Uncertainty::classKey(result.weightClass))};
    for (const PointResult &p : result.points) {
        if (p.status != PointResult::Captured)
            continue;
        for (const QString &note : p.uncertainty.notes + QStringList{p.uncertainty.reason}) {
            if (!note.isEmpty() && !lines.contains(note))
                lines << note;
        }
    }
    return lines;
}

QStringList TestReport::budgetLines(const TestResult &result)
{
    const ScaleRanges &r = result.ranges;
    QStringList lines;
    for (int i = 0; i < result.points.size(); ++i) {
        const PointUncertainty &u = result.points[i].uncertainty;
        if (!u.stated)
            continue;
        QStringList terms;
        for (const UncertaintyTerm &t : u.terms)
            terms << tr("%1 %2").arg(t.name, termText(r, t.counts));
        lines << tr("U of point %1: %2; u = %3, U = %4 %5")
                     .arg(i + 1)
                     .arg(terms.join(QStringLiteral(", ")), termText(r, u.combined),
                          uncertaintyText(r, u.expandedCentis), r.unit);
    }
    return lines;
}

QJsonObject TestReport::json(const TestResult &result)
{
    const ScaleRanges &r = result.ranges;
    QJsonArray ranges;
    for (const WeighingRange &w : r.ranges)
        ranges.append(QJsonObject{{"fullScale", FormatScaled(w.fullScale, r.decimals)},
                                  {"fullScaleRaw", w.fullScale},
                                  {"division", FormatScaled(w.division, r.decimals)},
                                  {"divisionRaw", w.division}});
    QJsonArray points;
    for (int i = 0; i < result.points.size(); ++i) {
        const PointResult &p = result.points[i];
        QJsonObject o{{"index", i + 1},
                      {"test", testText(p.point)},
                      {"load", FormatScaled(p.point.load, r.decimals)},
                      {"loadRaw", p.point.load},
                      {"division", FormatScaled(p.division, r.decimals)},
                      {"tolerance", unitsText(r, p.tolerance)},
                      {"toleranceE", p.toleranceInDivisions()},
                      {"status", statusText(p.status)}};
        if (p.point.kind == PointKind::Eccentricity)
            o.insert(QStringLiteral("corner"), p.point.position);
        if (p.status == PointResult::Captured) {
            o.insert(QStringLiteral("indication"), FormatScaled(p.indication, r.decimals));
            o.insert(QStringLiteral("indicationRaw"), p.indication);
            o.insert(QStringLiteral("error"), FormatScaled(p.error, r.decimals));
            o.insert(QStringLiteral("errorRaw"), p.error);
            o.insert(QStringLiteral("errorE"), p.errorInDivisions());
            o.insert(QStringLiteral("pass"), p.pass);
            if (p.uncertainty.stated) {
                o.insert(QStringLiteral("uncertainty"),
                         uncertaintyText(r, p.uncertainty.expandedCentis));
                o.insert(QStringLiteral("uncertaintyRaw"), p.uncertainty.expanded());
                QJsonArray budget;
                for (const UncertaintyTerm &t : p.uncertainty.terms)
                    budget.append(QJsonObject{{"term", t.name}, {"standardRaw", t.counts}});
                o.insert(QStringLiteral("uncertaintyBudget"), budget);
            } else {
                o.insert(QStringLiteral("uncertaintyNote"), p.uncertainty.reason);
            }
        }
        if (!p.note.isEmpty())
            o.insert(QStringLiteral("note"), p.note);
        points.append(o);
    }
    QJsonObject json{{"standard", Tolerances::standardKey(result.choice.standard)},
                     {"title", Tolerances::title(result.choice)},
                     {"unit", r.unit},
                     // every weight in this unit, as zeltctl's other documents give values
                     {"max", FormatScaled(r.max(), r.decimals)},
                     {"maxRaw", r.max()},
                     {"ranges", ranges},
                     {"points", points},
                     {"verdict", verdictText(result.verdict())},
                     {"decisionRule", Uncertainty::ruleKey(result.rule)},
                     {"decisionRuleTitle", Uncertainty::ruleTitle(result.rule)},
                     {"linkLost", result.linkLost}};
    if (result.choice.standard != TestStandard::Custom) {
        json.insert(QStringLiteral("class"), Tolerances::classKey(result.choice.accuracyClass));
        json.insert(QStringLiteral("accuracy"), Tolerances::accuracyKey(result.choice.accuracy));
    }
    if (!result.phase.isEmpty())
        json.insert(QStringLiteral("phase"), result.phase);
    if (result.weightClassGiven)
        json.insert(QStringLiteral("weightClass"), Uncertainty::classKey(result.weightClass));
    else
        json.insert(QStringLiteral("uncertaintyNote"),
                    tr("uncertainty not stated: no weight class given"));
    if (!result.testWeights.isEmpty())
        json.insert(QStringLiteral("testWeights"), result.testWeights);
    if (result.repeatability.applies)
        json.insert(QStringLiteral("repeatability"),
                    QJsonObject{{"spread", FormatScaled(result.repeatability.spread, r.decimals)},
                                {"limit", unitsText(r, result.repeatability.limit)},
                                {"pass", result.repeatability.pass}});
    if (result.eccentricity.applies)
        json.insert(
            QStringLiteral("eccentricity"),
            QJsonObject{{"worstCorner", result.eccentricity.worstPosition},
                        {"worstError", FormatScaled(result.eccentricity.worstError, r.decimals)},
                        {"pass", result.eccentricity.pass}});
    if (!result.stopReason.isEmpty())
        json.insert(QStringLiteral("stopReason"), result.stopReason);
    return json;
}

QString TestReport::recordDetail(const TestResult &result)
{
    QStringList lines;
    lines << header().join(CellSeparator);
    for (const QStringList &row : rows(result))
        lines << row.join(CellSeparator);
    lines << budgetLines(result);
    lines << summary(result);
    return lines.join(QLatin1Char('\n'));
}

void TestReport::splitDetail(const QString &detail, QVector<QStringList> *table, QStringList *lines)
{
    // Details written before the U column have one column less; the first
    // row (the header) says which layout a detail has.
    int width = 0;
    for (const QString &line : detail.split(QLatin1Char('\n'))) {
        const QStringList cells = line.split(CellSeparator);
        if (width == 0 && (cells.size() == header().size() || cells.size() == OldColumns))
            width = cells.size();
        if (width > 0 && cells.size() == width)
            table->append(cells);
        else
            lines->append(line);
    }
}

bool RecordScaleTest(const TestResult &result, const QString &source)
{
    const QString what = result.phase.isEmpty() ? TestReport::tr("scale test")
                                                : TestReport::tr("scale test %1").arg(result.phase);
    return ServiceRecorder::RecordTest(what, TestReport::verdictText(result.verdict()), source,
                                       TestReport::recordDetail(result));
}
