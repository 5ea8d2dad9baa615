#include "paramshown.h"

#include "pagefields.h"
#include "valuebinding.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>
#include <QTranslator>

namespace {

// The items of the pages' combo boxes, exactly as the pages' forms give them
// (the translation is looked up by that text in the page's own context).
struct PageChoices
{
    const char *context;
    const char *unit; // the unit the page shows beside the box
    QVector<const char *> items;
};

QHash<QByteArray, PageChoices> buildChoices()
{
    const QVector<const char *> offOn = {"OFF", "ON"};
    const QVector<const char *> inputs = {
        "None",     "Pre.Point 1", "Pre.Point 2",     "Pre.Point 3", "Pre.Point 4",
        "Zero",     "Para Reset",  "Tare/Clear Tare", "Tare",        "Clear Tare",
        "CAL Lock", "Print",       "Gross/Net"};
    const QVector<const char *> outputs = {
        "None", "Pre.Point 1", "Pre.Point 2", "Pre.Point 3", "Pre.Point 4", "Stable", "Overflow"};
    const QVector<const char *> compare = {
        "OFF ",  "W<CV1",  "W<=CV1",      "W=CV1",         "W>=CV1",
        "W>CV1", "W!=CV1", "CV1<=W<=CV2", "W<[CV1,CV2]>W", "External Trigger"};
    const QVector<const char *> baud = {"1200",  "2400",  "4800",  "9600",
                                        "19200", "38400", "57600", "115200"};
    const QVector<const char *> protocol = {"Modbus RTU", "r-Cont",  "r-SPI",   "r-tt",
                                            "r-Cb920",    "rE-Cont", "rE-rEAd", "Pt650D",
                                            "YH",         "Print",   "WI125"};
    const QVector<const char *> format = {"8-N-1", "8-E-1", "8-O-1", "7-E-1", "7-O-1"};
    const QVector<const char *> words = {"AB-CD", "CD-AB"};
    const QVector<const char *> comLeds = {"COM 1", "COM 2", "COM 3", "NetCOM"};

    QHash<QByteArray, PageChoices> c;
    c.insert("cBoxSampleRate", {"BasicConfig", "Hz", {"30", "60 ", "120", "240", "480", "960"}});
    c.insert("cBoxTareRecord", {"BasicConfig", "", offOn});
    c.insert("cBoxRZeroSW", {"BasicConfig", "", offOn});
    c.insert("cBoxUnit", {"WeightCal", "", {"t", "kg", "g", "lb", "KN", "N"}});
    c.insert("cBoxDecimal", {"WeightCal", "", {"0", "0.0", "0.00", "0.000", "0.0000"}});
    c.insert("cBoxTCal", {"WeightCal", "", {"Disabled", "Enabled"}});
    for (int n = 1; n <= 4; ++n) {
        c.insert("cBoxInputMode_" + QByteArray::number(n), {"Application", "", inputs});
        c.insert("cBox_JudgeStable_" + QByteArray::number(n), {"Application", "", offOn});
        c.insert("cBox_CompMode_" + QByteArray::number(n), {"Application", "", compare});
    }
    for (int n = 1; n <= 6; ++n)
        c.insert("cBoxOutputMode_" + QByteArray::number(n), {"Application", "", outputs});
    for (int n = 1; n <= 3; ++n) {
        const QByteArray port = '_' + QByteArray::number(n);
        c.insert("cBoxBaudrate" + port, {"DataTrans", "", baud});
        c.insert("cBoxProtocol" + port, {"DataTrans", "", protocol});
        c.insert("cBoxDataFormat" + port, {"DataTrans", "", format});
        c.insert("cBoxDwordFormat" + port, {"DataTrans", "", words});
        c.insert("cBoxCRC" + port, {"DataTrans", "", offOn});
    }
    c.insert("cBoxNetComProtocol", {"DataTrans", "", {"Modbus/TCP", "Quarn-Cont/TCP"}});
    c.insert("cBoxNetComDwordFormat", {"DataTrans", "", words});
    c.insert("cBoxWriteEnable", {"DataTrans", "", offOn});
    c.insert("cBoxDataType", {"DataTrans", "", {"Weight(Int)", "Weight(Float)"}});
    c.insert("cBoxPrintLanguage", {"DataTrans", "", {"中文", "English"}});
    c.insert(
        "cBoxPrintContent",
        {"DataTrans", "", {"Display Weight", "Gross", "Net", "Net & Tare", "Gross & Net & Tare"}});
    c.insert("cBoxAnalogType", {"DataTrans", "", {"4-20 mA", "0-10 V", "User-mA", "User-V"}});
    c.insert("cBoxBacklight", {"TestMaintain", "", {"Low", "Mid", "High"}});
    c.insert("cBoxNetLedDef", {"TestMaintain", "", comLeds + QVector<const char *>{"Net"}});
    c.insert("cBoxComLed1Def", {"TestMaintain", "", comLeds});
    c.insert("cBoxComLed2Def", {"TestMaintain", "", comLeds});
    c.insert("cBoxCalRemoteEdit", {"TestMaintain", "", offOn});
    c.insert("cBoxNCalRemoteEdit", {"TestMaintain", "", offOn});
    c.insert("RemotoOutWay", {"DigSensors", "", {"AD OutWay", "Wt OutWay"}});
    c.insert("RemotoSetFilter", {"DigSensors", "", {"Low Filter", "Mid Filter", "High Filter"}});
    c.insert("RemotoAccuracy", {"DigSensors", "", {"1", "0.1", "0.01"}});
    return c;
}

const PageChoices *choicesOf(const ParamRow &row)
{
    static const QHash<QByteArray, PageChoices> choices = buildChoices();
    if (row.kind != ParamKind::Index)
        return nullptr;
    const auto it = choices.constFind(QByteArray(row.widget));
    return it == choices.cend() ? nullptr : &*it;
}

// A note that is a plain unit ("%", "ms", "d") rather than a description.
bool isUnitNote(const QString &note)
{
    static const QRegularExpression unit(QStringLiteral("^[%A-Za-z/]{1,4}$"));
    return unit.match(note).hasMatch();
}

QString noteOf(const ParamRow &row, bool chinese)
{
    const char *note = chinese ? row.noteCn : row.noteEn;
    return QString::fromUtf8(note ? note : "");
}

// The load cell's capacity is stated in the instrument's weight unit, though
// it is a whole number whatever the decimal setting.
constexpr int LoadCellCapacityAddress = 124;
constexpr int FirstAnalogOutputAddress = 462;
constexpr int LastAnalogOutputAddress = 468;

} // namespace

const QTranslator *ChineseCatalogue()
{
    static QTranslator *catalogue = [] {
        auto *t = new QTranslator(QCoreApplication::instance());
        if (!t->load(QStringLiteral(":/Translate/Language_CN.qm"))) {
            delete t;
            return static_cast<QTranslator *>(nullptr);
        }
        return t;
    }();
    return catalogue;
}

QString CatalogueText(const char *context, const char *source, bool chinese)
{
    if (chinese) {
        if (const QTranslator *t = ChineseCatalogue()) {
            const QString text = t->translate(context, source);
            if (!text.isEmpty())
                return text;
        }
    }
    return QString::fromUtf8(source);
}

QString ParamName(const ParamRow &row, bool chinese)
{
    const char *name = chinese && row.nameCn ? row.nameCn : row.nameEn;
    return name ? QString::fromUtf8(name) : QString::fromLatin1(row.widget);
}

QStringList ParamChoices(const ParamRow &row, bool chinese)
{
    QStringList items;
    if (const PageChoices *c = choicesOf(row)) {
        for (const char *item : c->items)
            items << CatalogueText(c->context, item, chinese).trimmed();
    }
    return items;
}

QString ParamChoiceText(const ParamRow &row, quint32 raw, bool chinese)
{
    const PageChoices *c = choicesOf(row);
    if (!c || raw >= quint32(c->items.size()))
        return QString();
    return CatalogueText(c->context, c->items[int(raw)], chinese).trimmed();
}

QString ParamShownText(const ParamRow &row, quint32 raw, quint32 decimals, bool chinese)
{
    if (row.kind == ParamKind::Division)
        return DivisionItemText(raw);
    if (row.kind == ParamKind::Index) {
        const QString choice = ParamChoiceText(row, raw, chinese);
        if (!choice.isEmpty())
            return choice;
    }
    return FieldText(row.kind, row.factorDigits, raw, decimals);
}

bool UnitFollowsAnalogType(const ParamRow &row)
{
    return row.address >= FirstAnalogOutputAddress && row.address <= LastAnalogOutputAddress;
}

QString ParamUnitText(const ParamRow &row, quint32 unit, bool chinese, qint64 analogType)
{
    if (row.kind == ParamKind::Weight || row.address == LoadCellCapacityAddress)
        return UnitName(unit);
    // The minimum, zero, full-scale and maximum outputs; types 4-20 mA and
    // user mA are currents, 0-10 V and user V voltages.
    if (UnitFollowsAnalogType(row)) {
        if (analogType < 0 || analogType > 3)
            return QString();
        return analogType % 2 == 0 ? QStringLiteral("mA") : QStringLiteral("V");
    }
    if (const PageChoices *c = choicesOf(row))
        return QString::fromLatin1(c->unit);
    const QString note = noteOf(row, chinese);
    if (row.kind == ParamKind::Factor) {
        // "0.0001 mV/V": the factor is in the shown value already, the unit remains.
        const int space = note.indexOf(QLatin1Char(' '));
        const QString rest = space < 0 ? QString() : note.mid(space + 1);
        return isUnitNote(rest) ? rest : QString();
    }
    return isUnitNote(note) ? note : QString();
}

QString ParamRangeText(const ParamRow &row, quint32 decimals)
{
    if (row.kind == ParamKind::Index || row.kind == ParamKind::Division ||
        row.kind == ParamKind::Display)
        return QString();
    return QStringLiteral("%1 .. %2")
        .arg(FieldText(row.kind, row.factorDigits, quint32(row.rawMin), decimals),
             FieldText(row.kind, row.factorDigits, quint32(row.rawMax), decimals));
}

QString ReadableSource(const QString &source, bool chinese)
{
    // Words as a widget name is spelt: a letter or underscore, then letters,
    // digits and underscores. Read by hand: a pattern engine for this would
    // cost more memory than the whole table it fills.
    const auto starts = [](QChar c) {
        return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
               (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || c == QLatin1Char('_');
    };
    const auto goesOn = [&starts](QChar c) {
        return starts(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
    };
    QString text;
    int from = 0;
    for (int i = 0; i < source.size();) {
        if (!starts(source[i])) {
            ++i;
            continue;
        }
        int end = i + 1;
        while (end < source.size() && goesOn(source[end]))
            ++end;
        const QStringRef name = source.midRef(i, end - i);
        const ParamRow *found = nullptr;
        for (const ParamRow &row : ParameterCatalogue()) {
            if (row.nameEn && name == QLatin1String(row.widget))
                found = &row;
        }
        if (found) {
            text += source.midRef(from, i - from) + ParamName(*found, chinese);
            from = end;
        }
        i = end;
    }
    return text + source.midRef(from);
}
