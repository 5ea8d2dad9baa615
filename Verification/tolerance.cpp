#include "tolerance.h"

#include <algorithm>
#include <cmath>

namespace {

// Maximum permissible errors on initial verification, OIML R 76-1, in half e:
// +-0.5 e, +-1 e, +-1.5 e by the load's bands. The last band of classes II,
// III and IIII ends where the class's number of intervals ends.
const QVector<ToleranceBand> OimlClassI = {{50000, 1}, {200000, 2}, {-1, 3}};
const QVector<ToleranceBand> OimlClassII = {{5000, 1}, {20000, 2}, {100000, 3}};
const QVector<ToleranceBand> OimlClassIII = {{500, 1}, {2000, 2}, {10000, 3}};
const QVector<ToleranceBand> OimlClassIIII = {{50, 1}, {200, 2}, {1000, 3}};

// Maintenance tolerances, Handbook 44 scales code, in half d: 1, 2, 3 and 5 d.
// Only classes III and IIII are kept: the stored copies of the handbook at
// hand did not show its tables for classes I and II.
const QVector<ToleranceBand> Hb44ClassIII = {{500, 2}, {2000, 4}, {4000, 6}, {-1, 10}};
const QVector<ToleranceBand> Hb44ClassIIII = {{50, 2}, {200, 4}, {400, 6}, {-1, 10}};

// The number of verification scale intervals n = Max/e by class and e:
// OIML R 76-1 (2006) Table 3. Class I from e = 1 mg: n at least 50 000, no
// maximum; class II 1 mg to 50 mg: 100 to 100 000, from 0.1 g: 5 000 to
// 100 000; class III 0.1 g to 2 g: 100 to 10 000, from 5 g: 500 to 10 000;
// class IIII from 5 g: 100 to 1 000. Each range of a multiple range
// instrument is classified on its own (n_i = Max_i/e_i).
const QVector<IntervalLimits> OimlNClassI = {{0.001, 50000, -1}};
const QVector<IntervalLimits> OimlNClassII = {{0.001, 100, 100000}, {0.1, 5000, 100000}};
const QVector<IntervalLimits> OimlNClassIII = {{0.1, 100, 10000}, {5, 500, 10000}};
const QVector<IntervalLimits> OimlNClassIIII = {{5, 100, 1000}};

// Handbook 44, scales code, Table 3 (parameters for accuracy classes), SI
// rows: class III 0.1 g to 2 g: 100 to 10 000, from 5 g: 500 to 10 000;
// class IIII from 5 g: 100 to 1 200. Inch-pound rows: class III 0.0002 lb to
// 0.005 lb: 100 to 10 000, from 0.01 lb: 500 to 10 000; class IIII above
// 0.01 lb (0.02 lb the next interval): 100 to 1 200. Its note 4: on a multiple
// range or multi-interval scale n is counted for each range, Max_i/e_i.
const QVector<IntervalLimits> Hb44NClassIII = {{0.1, 100, 10000}, {5, 500, 10000}};
const QVector<IntervalLimits> Hb44NClassIIII = {{5, 100, 1200}};
const QVector<IntervalLimits> Hb44NClassIIIPound = {{0.0002, 100, 10000}, {0.01, 500, 10000}};
const QVector<IntervalLimits> Hb44NClassIIIIPound = {{0.02, 100, 1200}};

// Grams in one of the instrument's units; 0 for the force units (kN, N),
// which name no mass.
double gramsPerUnit(const QString &unit)
{
    if (unit == QLatin1String("t"))
        return 1e6;
    if (unit == QLatin1String("kg"))
        return 1e3;
    if (unit == QLatin1String("g"))
        return 1;
    if (unit == QLatin1String("lb"))
        return 453.59237;
    return 0;
}

QString standardName(TestStandard standard)
{
    return standard == TestStandard::Hb44 ? QStringLiteral("Handbook 44")
                                          : QStringLiteral("OIML R 76");
}

QVector<ToleranceBand> scaled(QVector<ToleranceBand> bands, int times, int by)
{
    for (ToleranceBand &b : bands)
        b.halfDivisions = b.halfDivisions * times / by;
    return bands;
}

// A custom tolerance is a decimal the user typed times the load or the
// division; in binary the product can fall a hair short of a whole count (0.35 %
// of 22000 counts comes out 76.99999999999999), and an indication exactly 77
// counts off would fail. Indications are whole counts, so whole counts are kept exact.
double wholeCountWhenClose(double counts)
{
    const double whole = std::round(counts);
    return std::fabs(counts - whole) <= 1e-9 * std::max(1.0, whole) ? whole : counts;
}

bool isOimlAccuracy(Accuracy a)
{
    return a == Accuracy::Initial || a == Accuracy::InService;
}

} // namespace

QVector<ToleranceBand> Tolerances::bands(TestStandard standard, AccuracyClass accuracyClass,
                                         Accuracy accuracy)
{
    if (standard == TestStandard::OimlR76 && isOimlAccuracy(accuracy)) {
        const int times = accuracy == Accuracy::InService ? 2 : 1;
        switch (accuracyClass) {
        case AccuracyClass::I:
            return scaled(OimlClassI, times, 1);
        case AccuracyClass::II:
            return scaled(OimlClassII, times, 1);
        case AccuracyClass::III:
            return scaled(OimlClassIII, times, 1);
        case AccuracyClass::IIII:
            return scaled(OimlClassIIII, times, 1);
        }
    }
    if (standard == TestStandard::Hb44 && !isOimlAccuracy(accuracy)) {
        const int by = accuracy == Accuracy::Acceptance ? 2 : 1;
        if (accuracyClass == AccuracyClass::III)
            return scaled(Hb44ClassIII, 1, by);
        if (accuracyClass == AccuracyClass::IIII)
            return scaled(Hb44ClassIIII, 1, by);
    }
    return {};
}

bool Tolerances::check(const ToleranceChoice &choice, QString *error)
{
    switch (choice.standard) {
    case TestStandard::Custom: {
        const bool percent = choice.customPercent > 0 && choice.customPercent <= 100;
        const bool divisions = choice.customDivisions > 0 && choice.customDivisions <= 1000;
        if (percent == divisions || std::isnan(choice.customPercent) ||
            std::isnan(choice.customDivisions)) {
            *error = tr("a custom tolerance is either a percentage of the load (above 0, at "
                        "most 100) or a number of divisions (above 0, at most 1000)");
            return false;
        }
        return true;
    }
    case TestStandard::OimlR76:
        if (!isOimlAccuracy(choice.accuracy)) {
            *error = tr("OIML R 76 judges on initial verification or in service, not on "
                        "acceptance or maintenance");
            return false;
        }
        break;
    case TestStandard::Hb44:
        if (isOimlAccuracy(choice.accuracy)) {
            *error = tr("Handbook 44 judges on acceptance or maintenance, not on initial "
                        "verification or in service");
            return false;
        }
        break;
    }
    if (bands(choice.standard, choice.accuracyClass, choice.accuracy).isEmpty()) {
        *error = tr("%1 has no tolerances for class %2")
                     .arg(standardName(choice.standard), classKey(choice.accuracyClass));
        return false;
    }
    return true;
}

bool Tolerances::forLoad(const ToleranceChoice &choice, qint64 loadCounts, qint64 divisionCounts,
                         double *toleranceCounts, QString *error)
{
    if (!check(choice, error))
        return false;
    if (divisionCounts <= 0) {
        *error = tr("the division (e) is %1: a tolerance needs a division above zero")
                     .arg(divisionCounts);
        return false;
    }
    if (loadCounts < 0) {
        *error = tr("a test load below zero has no tolerance");
        return false;
    }
    if (choice.standard == TestStandard::Custom) {
        *toleranceCounts = wholeCountWhenClose(
            choice.customPercent > 0 ? double(loadCounts) * choice.customPercent / 100.0
                                     : choice.customDivisions * double(divisionCounts));
        return true;
    }
    for (const ToleranceBand &b : bands(choice.standard, choice.accuracyClass, choice.accuracy)) {
        // Exact: the band's limit in counts against the load in counts.
        if (b.upToDivisions < 0 || loadCounts <= b.upToDivisions * divisionCounts) {
            *toleranceCounts = b.halfDivisions * double(divisionCounts) / 2.0;
            return true;
        }
    }
    *error = tr("a load of %1 divisions is beyond the table of class %2 (an instrument of this "
                "class has fewer divisions)")
                 .arg(double(loadCounts) / double(divisionCounts))
                 .arg(classKey(choice.accuracyClass));
    return false;
}

bool Tolerances::repeatabilityLimit(const ToleranceChoice &choice, qint64 loadCounts,
                                    qint64 divisionCounts, double *limitCounts, QString *error)
{
    ToleranceChoice judged = choice;
    if (choice.standard == TestStandard::Hb44 && check(choice, error))
        judged.accuracy = Accuracy::Maintenance;
    return forLoad(judged, loadCounts, divisionCounts, limitCounts, error);
}

QVector<IntervalLimits> Tolerances::intervalLimits(TestStandard standard,
                                                   AccuracyClass accuracyClass, bool inchPound)
{
    if (standard == TestStandard::OimlR76) {
        switch (accuracyClass) {
        case AccuracyClass::I:
            return OimlNClassI;
        case AccuracyClass::II:
            return OimlNClassII;
        case AccuracyClass::III:
            return OimlNClassIII;
        case AccuracyClass::IIII:
            return OimlNClassIIII;
        }
    }
    if (standard == TestStandard::Hb44) {
        if (accuracyClass == AccuracyClass::III)
            return inchPound ? Hb44NClassIIIPound : Hb44NClassIII;
        if (accuracyClass == AccuracyClass::IIII)
            return inchPound ? Hb44NClassIIIIPound : Hb44NClassIIII;
    }
    return {};
}

bool Tolerances::checkIntervals(const ToleranceChoice &choice, const ScaleRanges &ranges,
                                QString *error)
{
    if (choice.standard == TestStandard::Custom)
        return true;
    const bool pound = ranges.unit == QLatin1String("lb");
    const bool inchPound = pound && choice.standard == TestStandard::Hb44;
    const QVector<IntervalLimits> rows =
        intervalLimits(choice.standard, choice.accuracyClass, inchPound);
    if (rows.isEmpty())
        return check(choice, error);
    // e in the rows' unit: grams, or pounds for Handbook 44's inch-pound rows.
    const double perUnit = inchPound ? 1.0 : gramsPerUnit(ranges.unit);
    const QString unitName = inchPound ? QStringLiteral("lb") : QStringLiteral("g");
    const QString cls = classKey(choice.accuracyClass);
    const QString source = choice.standard == TestStandard::Hb44
                               ? QStringLiteral("Handbook 44, Table 3")
                               : QStringLiteral("OIML R 76-1, Table 3");
    for (int i = 0; i < ranges.ranges.size(); ++i) {
        const WeighingRange &r = ranges.ranges[i];
        if (r.division <= 0)
            continue; // ScaleRangeReader::check names it
        const QString where = ranges.ranges.size() > 1 ? tr("range %1: ").arg(i + 1) : QString();
        // A force unit names no mass: the class's widest row applies.
        int row = 0;
        if (perUnit > 0) {
            const double e = double(r.division) / std::pow(10.0, ranges.decimals) * perUnit;
            row = -1;
            for (int k = 0; k < rows.size(); ++k) {
                if (e >= rows[k].eFrom * (1 - 1e-9))
                    row = k;
            }
            if (row < 0) {
                *error = tr("%1e = %2 is below the smallest e of class %3 (%4 %5, %6)")
                             .arg(where, ranges.weightText(r.division), cls)
                             .arg(rows.first().eFrom)
                             .arg(unitName, source);
                return false;
            }
        }
        const IntervalLimits &limit = rows[row];
        const qint64 n = r.fullScale / r.division;
        const QString nText =
            tr("n = Max/e = %1 (%2 / %3)")
                .arg(n)
                .arg(ranges.weightText(r.fullScale), ranges.weightText(r.division));
        if (limit.maximum >= 0 && n > limit.maximum) {
            *error = tr("%1%2 is above the limit of class %3, n at most %4 (%5): choose the "
                        "class the instrument is made for or a coarser e")
                         .arg(where, nText, cls)
                         .arg(limit.maximum)
                         .arg(source);
            return false;
        }
        if (n < limit.minimum) {
            *error = tr("%1%2 is below the limit of class %3 for this e, n at least %4 (%5)")
                         .arg(where, nText, cls)
                         .arg(limit.minimum)
                         .arg(source);
            return false;
        }
    }
    return true;
}

QString Tolerances::standardKey(TestStandard standard)
{
    switch (standard) {
    case TestStandard::OimlR76:
        return QStringLiteral("oiml-r76");
    case TestStandard::Hb44:
        return QStringLiteral("hb44");
    case TestStandard::Custom:
        break;
    }
    return QStringLiteral("custom");
}

bool Tolerances::parseStandard(const QString &text, TestStandard *standard)
{
    for (TestStandard s : {TestStandard::OimlR76, TestStandard::Hb44, TestStandard::Custom}) {
        if (text.compare(standardKey(s), Qt::CaseInsensitive) == 0) {
            *standard = s;
            return true;
        }
    }
    return false;
}

QString Tolerances::classKey(AccuracyClass accuracyClass)
{
    static const char *const keys[] = {"I", "II", "III", "IIII"};
    return QString::fromLatin1(keys[int(accuracyClass)]);
}

bool Tolerances::parseClass(const QString &text, AccuracyClass *accuracyClass)
{
    for (AccuracyClass c :
         {AccuracyClass::I, AccuracyClass::II, AccuracyClass::III, AccuracyClass::IIII}) {
        if (text.compare(classKey(c), Qt::CaseInsensitive) == 0) {
            *accuracyClass = c;
            return true;
        }
    }
    return false;
}

QString Tolerances::accuracyKey(Accuracy accuracy)
{
    static const char *const keys[] = {"initial", "in-service", "acceptance", "maintenance"};
    return QString::fromLatin1(keys[int(accuracy)]);
}

bool Tolerances::parseAccuracy(const QString &text, Accuracy *accuracy)
{
    for (Accuracy a :
         {Accuracy::Initial, Accuracy::InService, Accuracy::Acceptance, Accuracy::Maintenance}) {
        if (text.compare(accuracyKey(a), Qt::CaseInsensitive) == 0) {
            *accuracy = a;
            return true;
        }
    }
    return false;
}

QString Tolerances::title(const ToleranceChoice &choice)
{
    if (choice.standard == TestStandard::Custom)
        return choice.customPercent > 0
                   ? tr("custom tolerance, +-%1 % of the load").arg(choice.customPercent)
                   : tr("custom tolerance, +-%1 d").arg(choice.customDivisions);
    QString accuracy;
    switch (choice.accuracy) {
    case Accuracy::Initial:
        accuracy = tr("initial verification");
        break;
    case Accuracy::InService:
        accuracy = tr("in service");
        break;
    case Accuracy::Acceptance:
        accuracy = tr("acceptance");
        break;
    case Accuracy::Maintenance:
        accuracy = tr("maintenance");
        break;
    }
    return tr("%1 class %2, %3")
        .arg(standardName(choice.standard), classKey(choice.accuracyClass), accuracy);
}
