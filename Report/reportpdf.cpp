#include "reportpdf.h"

#include "chaincheck.h"

#include "certificateevidence.h"
#include "changerows.h"
#include "entryshown.h"
#include "entrytext.h"
#include "paramshown.h"
#include "reportcurve.h"
#include "reporttexts.h"
#include "testreport.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextLayout>

namespace {

constexpr int Dpi = 300;
constexpr double PageMarginMm = 17;
constexpr double BottomMarginMm = 20;
constexpr double CurveHeightMm = 68;
const QColor TextColor(20, 20, 20);
const QColor LabelColor(85, 92, 104);
const QColor RuleColor(150, 160, 175);
const QColor HeaderFill(232, 237, 244);
const QColor UnreadColor(176, 0, 0);
const QColor AccentColor(0, 84, 166);
const char *const ProgramName = "Palvex Zelt Config System";

double mm(double v)
{
    return v * Dpi / 25.4;
}

// The widgets of the calibration summary, in the order it lists them.
const char *const CalibrationWidgets[] = {
    "cBoxUnit",      "cBoxDecimal",    "cBoxDivision",  "EditFullScale",   "EditManualZero",
    "EditLcMv",      "EditLcCapacity", "cBoxTCal",      "EditCorrectCoef", "EditWeightCp1",
    "EditWeightCp2", "EditWeightCp3",  "EditWeightCp4", "EditWeightCp5",
};

struct Cell
{
    QString text;
    bool unread = false;
};

// One pass over the report: measuring (no painter: only the pages are
// counted) or painting with the page count the measuring pass found.
class Layout
{
public:
    Layout(QPdfWriter &writer, QPainter *painter, const ReportContent &c, int pages)
        : m_w(writer), m_p(painter), m_c(c), m_lang(c.chinese), m_pages(pages)
    {
        const QString family =
            c.chinese ? QStringLiteral("WenQuanYi Micro Hei") : QStringLiteral("DejaVu Sans");
        m_body = font(family, 9, QFont::Normal);
        m_small = font(family, 7, QFont::Normal);
        m_bold = font(family, 9, QFont::Bold);
        m_heading = font(family, 13, QFont::Bold);
        m_title = font(family, 20, QFont::Bold);
        m_area = QRectF(mm(PageMarginMm), mm(PageMarginMm), m_w.width() - 2 * mm(PageMarginMm),
                        m_w.height() - mm(PageMarginMm) - mm(BottomMarginMm));
    }

    int run()
    {
        startPage();
        titleBlock();
        instrument();
        gaps();
        calibration();
        certificate();
        parameters();
        changes();
        return m_page;
    }

private:
    // Ligatures ("fi") would reach a reader's search and copy as one character.
    static QFont font(const QString &family, int points, int weight)
    {
        QFont f(family, points, weight);
        f.setStyleStrategy(QFont::PreferNoShaping);
        return f;
    }

    QString unreadText(const ReportValue &v) const
    {
        return v.failed ? m_lang.translate("ServiceReport", "not read: %1").arg(v.text) : v.text;
    }
    Cell cell(const ReportValue &v) const { return {unreadText(v), v.failed}; }

    // A section whose unread values share one reason says it once, under its
    // heading, and marks each such value "not read" only.
    static QString sharedReason(const QVector<ReportValue> &values)
    {
        QStringList reasons;
        for (const ReportValue &v : values) {
            if (v.failed && !reasons.contains(v.text))
                reasons << v.text;
        }
        return reasons.size() == 1 ? reasons.first() : QString();
    }
    Cell cell(const ReportValue &v, const QString &shared) const
    {
        if (v.failed && !shared.isEmpty())
            return {m_lang.translate("ServiceReport", "not read"), true};
        return cell(v);
    }
    QString shownText(const ReportValue &v, const QString &unit, const QString &shared) const
    {
        if (v.failed || unit.isEmpty())
            return cell(v, shared).text;
        return v.text + QLatin1Char(' ') + unit;
    }
    void sectionReason(const QString &shared)
    {
        if (!shared.isEmpty())
            paragraph(m_lang.translate("ServiceReport", "not read: %1").arg(shared), UnreadColor);
    }

    // Lays text out within width; the layout is ready to draw at any point.
    void lay(QTextLayout &layout, double width) const
    {
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        double y = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, y));
            y += line.height();
        }
        layout.endLayout();
    }

    double textHeight(const QString &text, const QFont &font, double width) const
    {
        QTextLayout layout(text, font, &m_w);
        lay(layout, width);
        return layout.boundingRect().height();
    }

    void drawText(const QString &text, const QFont &font, const QPointF &at, double width,
                  const QColor &color)
    {
        if (!m_p)
            return;
        QTextLayout layout(text, font, &m_w);
        lay(layout, width);
        m_p->setPen(color);
        layout.draw(m_p, at);
    }

    void startPage()
    {
        if (m_page > 0) {
            if (m_p)
                m_w.newPage();
        }
        ++m_page;
        m_y = m_area.top();
        if (m_page > 1) {
            // A running head names the instrument on every page after the first.
            const QString head = QStringLiteral("%1 · %2 · %3")
                                     .arg(QLatin1String(ProgramName),
                                          m_lang.translate("ServiceReport", "Service Report"),
                                          unreadText(m_c.serial));
            drawText(head, m_small, QPointF(m_area.left(), m_y), m_area.width(), LabelColor);
            m_y += textHeight(head, m_small, m_area.width()) + mm(1);
            rule(RuleColor);
            m_y += mm(3);
        }
        footer();
    }

    void footer()
    {
        if (!m_p)
            return;
        const double y = m_w.height() - mm(BottomMarginMm) + mm(6);
        const QString left = QStringLiteral("%1 %2").arg(
            QLatin1String(ProgramName),
            m_lang.translate("ServiceReport", "version %1").arg(ReportProgramVersion()));
        const QString right =
            m_lang.translate("ServiceReport", "Page %1 of %2").arg(m_page).arg(m_pages);
        m_p->setPen(QPen(RuleColor, mm(0.2)));
        m_p->drawLine(QPointF(m_area.left(), y - mm(1.5)), QPointF(m_area.right(), y - mm(1.5)));
        drawText(left, m_small, QPointF(m_area.left(), y), m_area.width() * 0.7, LabelColor);
        const double rightWidth = QFontMetricsF(m_small, &m_w).horizontalAdvance(right) + mm(1);
        drawText(right, m_small, QPointF(m_area.right() - rightWidth, y), rightWidth, LabelColor);
    }

    void rule(const QColor &color)
    {
        if (m_p) {
            m_p->setPen(QPen(color, mm(0.25)));
            m_p->drawLine(QPointF(m_area.left(), m_y), QPointF(m_area.right(), m_y));
        }
    }

    // Room for h more; a new page when there is none.
    void ensure(double h)
    {
        if (m_y + h > m_area.bottom() && m_y > m_area.top() + mm(20))
            startPage();
    }

    void heading(const QString &text, double keepWithNext)
    {
        const double h = textHeight(text, m_heading, m_area.width());
        ensure(mm(5) + h + mm(2) + keepWithNext);
        m_y += mm(5);
        drawText(text, m_heading, QPointF(m_area.left(), m_y), m_area.width(), AccentColor);
        m_y += h + mm(0.8);
        rule(AccentColor);
        m_y += mm(2.2);
    }

    void subheading(const QString &text, double keepWithNext)
    {
        const double h = textHeight(text, m_bold, m_area.width());
        ensure(mm(3) + h + keepWithNext);
        m_y += mm(3);
        drawText(text, m_bold, QPointF(m_area.left(), m_y), m_area.width(), TextColor);
        m_y += h + mm(1.2);
    }

    void paragraph(const QString &text, const QColor &color = TextColor)
    {
        const double h = textHeight(text, m_body, m_area.width());
        ensure(h);
        drawText(text, m_body, QPointF(m_area.left(), m_y), m_area.width(), color);
        m_y += h + mm(1.5);
    }

    // A table whose columns take these shares of the width; the header row
    // (when given) starts the table and every page it continues on.
    // keepLastWith: the height of what follows, which goes on the last row's page.
    void table(const QVector<double> &shares, const QStringList &header,
               const QVector<QVector<Cell>> &rows, double keepLastWith = 0)
    {
        const double pad = mm(1.2);
        QVector<double> widths;
        for (double s : shares)
            widths << m_area.width() * s;
        const auto rowHeight = [&](const QVector<Cell> &cells, const QFont &font) {
            double h = 0;
            for (int i = 0; i < cells.size(); ++i)
                h = std::max(h, textHeight(cells[i].text, font, widths[i] - 2 * pad));
            return h + 2 * pad;
        };
        QVector<Cell> headerCells;
        for (const QString &h : header)
            headerCells.append({h, false});
        const double headerHeight = header.isEmpty() ? 0 : rowHeight(headerCells, m_bold);
        const auto drawRow = [&](const QVector<Cell> &cells, const QFont &font, double h,
                                 bool shaded) {
            if (m_p) {
                if (shaded)
                    m_p->fillRect(QRectF(m_area.left(), m_y, m_area.width(), h), HeaderFill);
                m_p->setPen(QPen(RuleColor, mm(0.15)));
                m_p->drawLine(QPointF(m_area.left(), m_y + h), QPointF(m_area.right(), m_y + h));
            }
            double x = m_area.left();
            for (int i = 0; i < cells.size(); ++i) {
                const QColor color = cells[i].unread                            ? UnreadColor
                                     : (shaded || (header.isEmpty() && i == 0)) ? LabelColor
                                                                                : TextColor;
                drawText(cells[i].text, font, QPointF(x + pad, m_y + pad), widths[i] - 2 * pad,
                         color);
                x += widths[i];
            }
            m_y += h;
        };
        bool headerDue = !header.isEmpty();
        for (int r = 0; r < rows.size(); ++r) {
            const QVector<Cell> &row = rows[r];
            const double h = rowHeight(row, m_body);
            const int page = m_page;
            ensure(h + (headerDue ? headerHeight : 0) +
                   (r + 1 == rows.size() ? keepLastWith + mm(2) : 0));
            if (page != m_page && !header.isEmpty())
                headerDue = true;
            if (headerDue) {
                drawRow(headerCells, m_bold, headerHeight, true);
                headerDue = false;
            }
            drawRow(row, m_body, h, false);
        }
        m_y += mm(2);
    }

    void keyValues(const QVector<QPair<QString, Cell>> &pairs)
    {
        QVector<QVector<Cell>> rows;
        for (const auto &pair : pairs)
            rows.append({{pair.first, false}, pair.second});
        table({0.3, 0.7}, {}, rows);
    }

    void titleBlock()
    {
        drawText(QLatin1String(ProgramName), m_bold, QPointF(m_area.left(), m_y), m_area.width(),
                 AccentColor);
        m_y += textHeight(QLatin1String(ProgramName), m_bold, m_area.width()) + mm(1);
        const QString title = m_lang.translate("ServiceReport", "Service Report");
        drawText(title, m_title, QPointF(m_area.left(), m_y), m_area.width(), TextColor);
        m_y += textHeight(title, m_title, m_area.width()) + mm(2);
        rule(AccentColor);
        m_y += mm(3);
        keyValues({
            {m_lang.translate("ServiceReport", "Date and time"),
             {m_c.created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), false}},
            {m_lang.translate("ServiceReport", "Engineer"), {m_c.engineer, false}},
            {m_lang.translate("ServiceReport", "Customer / site"), {m_c.site, false}},
            {m_lang.translate("ServiceReport", "Note"), {m_c.note, false}},
        });
    }

    void instrument()
    {
        heading(m_lang.translate("ServiceReport", "Instrument"), mm(20));
        const QString s =
            sharedReason({m_c.serial, m_c.mac, m_c.softwareVersion, m_c.compileDate, m_c.kind});
        sectionReason(s);
        keyValues({
            {m_lang.translate("ServiceReport", "Serial number"), cell(m_c.serial, s)},
            {m_lang.translate("ServiceReport", "MAC address"), cell(m_c.mac, s)},
            {m_lang.translate("ServiceReport", "Software version"), cell(m_c.softwareVersion, s)},
            {m_lang.translate("ServiceReport", "Compile date"), cell(m_c.compileDate, s)},
            {m_lang.translate("ServiceReport", "Kind"), cell(m_c.kind, s)},
            {m_lang.translate("ServiceReport", "Link"), {m_c.link, false}},
            {m_lang.translate("ServiceReport", "Slave id"), {QString::number(m_c.slaveId), false}},
        });
    }

    void gaps()
    {
        if (m_c.gaps.isEmpty())
            return;
        heading(m_lang.translate("ServiceReport", "Values that could not be read"), mm(20));
        paragraph(m_lang.translate(
                      "ServiceReport",
                      "The instrument did not give these values; they are marked \"not read\" "
                      "wherever the report lists them."),
                  UnreadColor);
        QVector<QVector<Cell>> rows;
        for (const ReportGap &gap : m_c.gaps)
            rows.append({{gap.what, true}, {gap.why, true}});
        table(
            {0.62, 0.38},
            {m_lang.translate("ServiceReport", "Values"), m_lang.translate("ServiceReport", "Why")},
            rows);
    }

    void calibration()
    {
        heading(m_lang.translate("ServiceReport", "Calibration"), mm(30));
        QVector<const ReportParam *> shown;
        QVector<ReportValue> values = {m_c.liveWeight, m_c.liveSignal};
        for (const char *widget : CalibrationWidgets) {
            for (const ReportParam &p : m_c.params) {
                if (p.widget == QLatin1String(widget)) {
                    shown << &p;
                    values << p.value;
                }
            }
        }
        const QString s = sharedReason(values);
        sectionReason(s);
        QVector<QPair<QString, Cell>> pairs;
        for (const ReportParam *p : shown)
            pairs.append({p->name, {shownText(p->value, p->unit, s), p->value.failed}});
        pairs.append({m_lang.translate("ServiceReport", "Live weight"), cell(m_c.liveWeight, s)});
        pairs.append({m_lang.translate("ServiceReport", "Sensor signal"), cell(m_c.liveSignal, s)});
        keyValues(pairs);

        subheading(curveTitle(), mm(CurveHeightMm));
        const QRectF area(m_area.left(), m_y, m_area.width(), mm(CurveHeightMm));
        if (m_p) {
            m_p->setFont(m_small);
            DrawCurve(*m_p, area, m_c.curve,
                      {m_lang.translate("ServiceReport", "Time/s"),
                       m_lang.translate("ServiceReport", "Weight/%1").arg(m_c.curveUnit),
                       m_lang.translate("ServiceReport", "No samples of the live weight")});
        }
        m_y += area.height() + mm(2);
    }

    // "Weight over the last 10 s"; a span under a second keeps its tenths, and
    // a curve of fewer than two samples names no span at all.
    QString curveTitle() const
    {
        if (m_c.curve.size() < 2)
            return m_lang.translate("ServiceReport", "Weight curve");
        const double seconds = m_c.curve.last().x() - m_c.curve.first().x();
        const QString span =
            seconds < 0.95 ? QString::number(seconds, 'f', 1) : QString::number(qRound(seconds));
        return m_lang.translate("ServiceReport", "Weight over the last %1 s").arg(span);
    }

    void parameters()
    {
        heading(m_lang.translate("ServiceReport", "Parameters"), mm(30));
        for (int page = 1; page <= 6; ++page) {
            QVector<ReportValue> values;
            for (const ReportParam &p : m_c.params) {
                if (p.page == page)
                    values << p.value;
            }
            if (values.isEmpty())
                continue;
            const QString s = sharedReason(values);
            QVector<QVector<Cell>> rows;
            for (const ReportParam &p : m_c.params) {
                if (p.page == page)
                    rows.append(
                        {{p.name, false}, cell(p.value, s), {p.unit, false}, {p.range, false}});
            }
            subheading(ReportPageTitle(page, m_lang), mm(15));
            sectionReason(s);
            table({0.42, 0.24, 0.12, 0.22},
                  {m_lang.translate("ServiceReport", "Parameter"),
                   m_lang.translate("ServiceReport", "Value"),
                   m_lang.translate("ServiceReport", "Unit"),
                   m_lang.translate("ServiceReport", "Range")},
                  rows);
        }
    }

    // The instrument's own word follows where it refused a calibration.
    QString outcomeText(const ServiceEntry &e) const
    {
        const QString error =
            e.outcome == ServiceEntry::InstrumentRefused ? InstrumentErrorOf(e) : QString();
        return error.isEmpty() ? outcomeText(e.outcome)
                               : outcomeText(e.outcome) + QStringLiteral(": ") + error;
    }

    QString outcomeText(ServiceEntry::Outcome outcome) const
    {
        switch (outcome) {
        case ServiceEntry::Written:
            return m_lang.translate("ServiceReport", "written");
        case ServiceEntry::Refused:
            return m_lang.translate("ServiceReport", "refused");
        case ServiceEntry::TimedOut:
            return m_lang.translate("ServiceReport", "timed out");
        case ServiceEntry::LinkLost:
            return m_lang.translate("ServiceReport", "link lost");
        case ServiceEntry::ReadBackDiffers:
            return m_lang.translate("ServiceReport", "read back differs");
        case ServiceEntry::OutcomeUnknown:
            return m_lang.translate("ServiceReport", "outcome unknown (program ended)");
        case ServiceEntry::InstrumentRefused:
            return m_lang.translate("ServiceReport", "refused by the instrument");
        case ServiceEntry::VerdictUnknown:
            return m_lang.translate("ServiceReport", "outcome unknown (no error word)");
        case ServiceEntry::NoOutcome:
            break;
        }
        return QString();
    }

    QString chainText() const
    {
        const VerifyResult &v = m_c.chain;
        if (!v.error.isEmpty())
            return m_lang.translate("ServiceReport", "Service record check: could not be read: %1")
                .arg(v.error);
        if (v.ok)
            return m_lang
                .translate("ServiceReport",
                           "Service record check: chain intact over all %1 entries of the record "
                           "(every instrument; connects, disconnects, changes and backups)")
                .arg(v.checked);
        return m_lang
            .translate("ServiceReport",
                       "Service record check: chain broken at entry %1 (%2); %3 entries before it "
                       "intact")
            .arg(v.seq)
            .arg(v.reason)
            .arg(v.checked);
    }

    // The visit's evidence, paired: the last as-found test before the first
    // adjustment, each adjustment with the instrument's verdict, and the
    // as-left test after the last one; a change after the as-left test is
    // flagged. Each test with every point, its error and tolerance, as the
    // service record keeps it.
    void certificate()
    {
        const CertificateEvidence evidence = Certificates::select(m_c.changes);
        int onlyTest = -1; // tests that name no phase: the last one stands alone
        if (evidence.asFound < 0 && evidence.asLeft < 0 && evidence.adjustments.isEmpty()) {
            for (int i = 0; i < m_c.changes.size(); ++i)
                if (m_c.changes[i].kind == ServiceEntry::Test)
                    onlyTest = i;
            if (onlyTest < 0)
                return;
        }
        heading(m_lang.translate("ServiceReport", "Calibration certificate"), mm(40));
        if (onlyTest >= 0) {
            testTable(m_c.changes[onlyTest]);
            return;
        }
        if (evidence.asFound >= 0)
            testTable(m_c.changes[evidence.asFound]);
        else
            paragraph(m_lang.translate("ServiceReport", "As found: no test before the first "
                                                        "adjustment."),
                      UnreadColor);
        if (!evidence.adjustments.isEmpty()) {
            subheading(m_lang.translate("ServiceReport", "Adjustments"), mm(20));
            QVector<QVector<Cell>> rows;
            for (int i : evidence.adjustments) {
                const ServiceEntry &e = m_c.changes[i];
                const bool taken = e.outcome == ServiceEntry::Written;
                rows.append({{EntryLocalTime(e), false},
                             {Certificates::adjustmentName(e), false},
                             {EntryShownChange(e, m_c.chinese), false},
                             {outcomeText(e), !taken}});
            }
            table({0.24, 0.14, 0.27, 0.35},
                  {m_lang.translate("ServiceReport", "Time"),
                   m_lang.translate("ServiceReport", "Step"),
                   m_lang.translate("ServiceReport", "Old → new"),
                   m_lang.translate("ServiceReport", "Outcome")},
                  rows);
        }
        if (evidence.asLeft >= 0)
            testTable(m_c.changes[evidence.asLeft]);
        for (const QString &flag : evidence.flags)
            paragraph(flag, UnreadColor);
    }

    void testTable(const ServiceEntry &e)
    {
        subheading(QStringLiteral("%1, %2: %3").arg(e.paramName, EntryLocalTime(e), e.newShown),
                   mm(25));
        QVector<QStringList> grid;
        QStringList lines;
        TestReport::splitDetail(e.detail, &grid, &lines);
        if (!grid.isEmpty()) {
            const QStringList header = grid.takeFirst();
            QVector<QVector<Cell>> rows;
            for (const QStringList &row : grid) {
                QVector<Cell> cells;
                for (const QString &cell : row)
                    cells.append({cell, cell == QLatin1String("FAIL") ||
                                            cell == m_lang.translate("TestReport", "FAIL")});
                rows.append(cells);
            }
            // Tests recorded before U was stated beside the error have nine columns.
            if (header.size() == 9)
                table({0.04, 0.15, 0.11, 0.15, 0.1, 0.09, 0.15, 0.09, 0.12}, header, rows);
            else
                table({0.03, 0.11, 0.11, 0.15, 0.09, 0.09, 0.11, 0.14, 0.07, 0.1}, header, rows);
        }
        for (const QString &line : lines)
            paragraph(line);
    }

    void changes()
    {
        const QString since =
            m_c.changesSince.isValid()
                ? m_c.changesSince.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                : m_lang.translate("ServiceReport", "the first entry");
        heading(m_lang.translate("ServiceReport", "Changes since %1").arg(since), mm(20));
        if (!m_c.changesError.isEmpty()) {
            paragraph(m_lang.translate("ServiceReport", "The changes cannot be listed: %1")
                          .arg(m_c.changesError),
                      UnreadColor);
            return;
        }
        // The record's check and its anchor close the section; they stay on
        // the page of the last change, never alone on a page of their own.
        QStringList closing;
        if (m_c.entriesInTime > m_c.entriesSearched)
            closing << m_lang
                           .translate("ServiceReport",
                                      "The record holds %1 entries of this instrument in that "
                                      "time; the newest %2 were searched.")
                           .arg(m_c.entriesInTime)
                           .arg(m_c.entriesSearched);
        closing << chainText();
        // The chain's head, kept on paper: a record cut or rebuilt later no longer matches it.
        const QString head = ChainHeadText(m_c.chain);
        if (!head.isEmpty())
            closing << m_lang
                           .translate("ServiceReport",
                                      "Anchor (the chain's head): %1. To check the record against "
                                      "this report later, give it to zeltctl history verify "
                                      "--against.")
                           .arg(head);
        double closingHeight = 0;
        for (const QString &text : closing)
            closingHeight += textHeight(text, m_body, m_area.width()) + mm(1.5);
        if (!m_c.changes.isEmpty()) {
            QVector<QVector<Cell>> rows;
            const QVector<ChangeRow> changeRows = ReportChangeRows(
                m_c.changes, m_lang, [this](const ServiceEntry &e) { return outcomeText(e); });
            for (const ChangeRow &r : changeRows) {
                // A group's rows are set in under it.
                const QString indent = r.member ? QStringLiteral("    ") : QString();
                rows.append({{r.time, false},
                             {indent + r.name, false},
                             {r.change, false},
                             {indent + r.source, false},
                             {r.outcome, r.failed}});
            }
            table({0.19, 0.2, 0.22, 0.27, 0.12},
                  {m_lang.translate("ServiceReport", "Time"),
                   m_lang.translate("ServiceReport", "Parameter"),
                   m_lang.translate("ServiceReport", "Old → new"),
                   m_lang.translate("ServiceReport", "Source"),
                   m_lang.translate("ServiceReport", "Outcome")},
                  rows, closingHeight);
        } else {
            const QString none = m_lang.translate(
                "ServiceReport",
                "The service record holds no change of this instrument in that time.");
            ensure(textHeight(none, m_body, m_area.width()) + mm(1.5) + closingHeight);
            paragraph(none);
        }
        for (int i = 0; i < closing.size(); ++i)
            paragraph(closing[i], i == closing.size() - (head.isEmpty() ? 1 : 2) &&
                                          !(m_c.chain.ok && m_c.chain.error.isEmpty())
                                      ? UnreadColor
                                      : TextColor);
    }

    QPdfWriter &m_w;
    QPainter *m_p;
    const ReportContent &m_c;
    ReportLanguage m_lang;
    int m_pages;
    int m_page = 0;
    double m_y = 0;
    QRectF m_area;
    QFont m_body, m_small, m_bold, m_heading, m_title;
};

void setUp(QPdfWriter &writer, const ReportContent &c)
{
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(Dpi);
    writer.setCreator(
        QStringLiteral("%1 %2").arg(QLatin1String(ProgramName), ReportProgramVersion()));
    writer.setTitle(ReportLanguage(c.chinese).translate("ServiceReport", "Service Report") +
                    QLatin1Char(' ') + (c.serial.failed ? QString() : c.serial.text));
}

} // namespace

int WriteReportPdf(const ReportContent &content, QIODevice *device, QString *error)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        *error = QStringLiteral("a report needs the program's fonts (a QGuiApplication)");
        return 0;
    }
    if (content.chinese && !ReportLanguage::chineseAvailable()) {
        *error = QStringLiteral("the Chinese catalogue is not compiled into this program");
        return 0;
    }
    QPdfWriter writer(device);
    setUp(writer, content);
    const int pages = Layout(writer, nullptr, content, 0).run();
    QPainter painter;
    if (!painter.begin(&writer)) {
        *error = QStringLiteral("the PDF could not be started");
        return 0;
    }
    Layout(writer, &painter, content, pages).run();
    painter.end();
    return pages;
}

bool WriteReportPdf(const ReportContent &content, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (WriteReportPdf(content, &file, error) == 0) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
