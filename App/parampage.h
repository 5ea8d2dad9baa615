#pragma once

#include "linksettings.h"
#include "pagebase.h"
#include "pagefields.h"
#include "paramcatalogue.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QVector>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTimer;

// What every parameter page does the same way: wiring of its line edits and combo
// boxes, the event filter that arms a commit, the commits themselves (through
// SendWidgetValue), the remote-edit banner, the change-detecting refresh of plain
// fields, weight fields, range tooltips and unit labels, and the content width.
//
// A page sets up its form, calls wirePage(), then declares its fields as data:
//   bindCatalogue(page)        every catalogue row of the page found on the form
//   addSlotField(...)          a value label outside the catalogue
//   addDecimalTooltips(...)    range texts that follow the decimal setting
//   addUnitLabels(...)         labels that show the weight unit
//   setBanner(slot, text)      the remote-edit switch and the banner's source text
// and adds only its own quirks, through refresh(), lineEditCommitted() and the hooks:
//   declareOnTab(i) / followTabs(tabs)   fields refreshed only while their tab is current
//   addReshowTimer(widgets, ms)          bound fields set again from the mirror later
//   fieldShown(widget)                   a bound field was just given a new value
class ParamPage : public PageBase
{
    Q_OBJECT

public:
    // How the activation of a combo box is committed.
    enum class ComboCommit {
        EveryActivation, // written each time; the focus stays on the combo box
        ArmedOnly,       // written only while armed; the focus then goes to the banner label
    };
    // Which of the page's widgets wirePage() takes on.
    enum class Wiring {
        AllFields,  // line edits and combo boxes commit; focus and Return arm a commit
        CombosOnly, // only combo boxes commit (on every activation); line edits are
                    // left alone and the filter only keeps the wheel away
    };

    explicit ParamPage(QWidget *parent = nullptr);
    ~ParamPage() override;

    // Banner, plain fields, weight fields with their tooltips, unit labels.
    void refresh(bool force) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    bool commitArmed() const { return m_commitArmed; }
    QWidget *currentWidget() const { return m_currentWidget; }

protected:
    // After the form is set up: finds widget_top, label_RemoteTip and the scroll
    // area's content widget, and wires every line edit, combo box and pop-up list
    // (not the line edits inside spin boxes and combo boxes, which are theirs).
    void wirePage(Wiring wiring = Wiring::AllFields);
    // The banner shows while this gsrt_SysInf slot holds 0. The text is a source
    // text of the page's translation context.
    void setBanner(int switchSlot, const char *sourceText);
    void setComboCommit(ComboCommit mode) { m_comboCommit = mode; }

    // Binds the form's widgets to the catalogue rows of the page (and tab): plain,
    // factor, index and division rows are refreshed from their mirror slot, weight
    // rows become weight fields. Rows named in pageRendered commit by their kind
    // but are left to the page when it comes to showing them.
    void bindCatalogue(int page, int tab = 0, const QStringList &pageRendered = {});
    // A widget outside the catalogue that shows one mirror slot.
    void addSlotField(QWidget *widget, const quint32 *slot, ParamKind kind, int factorDigits = 0);
    // The bound widgets, in this order, are refreshed only while their position is
    // below count() (fields of absent modules keep what they showed).
    void limitFields(const QList<QWidget *> &widgets, std::function<int()> count);
    // Changes how a bound field shows its value; it is rewritten at the next refresh.
    void setFieldFormat(QWidget *widget, ParamKind kind, int factorDigits);
    // The widgets' tooltips follow the decimal setting (source texts of the page's context).
    void addDecimalTooltips(const QList<QWidget *> &widgets, const DecimalTexts &texts);
    void addUnitLabels(const QList<QLabel *> &labels);
    // Line edits whose write is an action in the instrument (a calibration weight
    // taken at the present load): committed even when the text was not changed.
    void commitEvenUnchanged(const QList<QWidget *> &widgets);

    // Fields, tooltips and unit labels declared from here on belong to this tab of
    // the tab widget given to followTabs (-1: shown whatever the tab).
    void declareOnTab(int tabIndex) { m_declaringTab = tabIndex; }
    // refresh() touches only what belongs to the current tab, and rewrites all of it
    // when the current tab differs from the one it refreshed last.
    void followTabs(QTabWidget *tabs) { m_tabs = tabs; }
    // Whether refresh(force) must be forced: force, or the current tab changed
    // (then remembered as the one refreshed).
    bool tabForcesRefresh(bool force);

    // A single-shot timer that, when it fires, sets these bound fields again from
    // their mirror slots (whether or not the slots changed). The page starts it.
    QTimer *addReshowTimer(const QList<QWidget *> &widgets, int ms);
    // Called after refreshPlainFields gave a bound field a new value.
    virtual void fieldShown(QWidget *widget);

    void refreshBanner(bool force);
    void refreshPlainFields(bool force);
    // Returns whether the decimal setting changed since this page last showed it
    // (or force was set): then every weight field and range tooltip was rewritten.
    bool refreshWeightFields(bool force);
    void refreshUnitLabels(bool force);

    // The scroll area's content widget (if the page has one) gets this width; its
    // height follows the panels.
    void setContentWidth(int width);

    // The register text a line edit's entry writes, by its field's kind.
    QString rawText(const QLineEdit *edit) const;
    // A page whose conversion must see the entry before the empty test (an emptied
    // field that means 0) returns the register text here; the null string leaves the
    // line edit to the common rule (empty restores, otherwise rawText).
    virtual QString entryRawText(const QLineEdit *edit) const;
    // A line edit was handed to SendWidgetValue with raw; result is what it returned.
    virtual void lineEditCommitted(QLineEdit *edit, const QString &raw, ModbusResult result);

    // A source text translated in the page's own context.
    QString pageText(const char *source) const;

private:
    struct BoundField
    {
        QWidget *widget;
        ParamKind kind;
        int factorDigits;
        const ParamRow *row; // null outside the catalogue
        const quint32 *slot; // the mirror slot when row is null
        quint32 shown;       // what the widget was last given
        bool stale;          // its format changed: rewrite at the next refresh
        int limit;           // index into m_limits, -1 for always refreshed
        int position;        // refreshed while position < that count
        int tab;             // the tab it sits on, -1 for none
        bool blank = false;  // shown empty: the instrument's value was never read
    };
    struct WeightField
    {
        QLineEdit *edit;
        const ParamRow *row;
        quint32 shown;
        int tab;
        bool blank = false;
    };
    struct TooltipGroup
    {
        QList<QWidget *> widgets;
        const DecimalTexts *texts;
        int tab;
    };

    void commitLineEdit(QLineEdit *edit);
    // Whether raw is a number the field may write: within the raw limits of its
    // catalogue row, and not below zero where the field is unsigned.
    bool entryFits(const QLineEdit *edit, const QString &raw) const;
    void refuseEntry(QLineEdit *edit);
    void refuseUnfinishedEntry(QObject *watched);
    void commitCombo(QComboBox *combo, int index);
    void showField(const BoundField &field, quint32 value);
    static void showBlank(QWidget *widget);
    void moveFocusToBanner(const QWidget *committed);
    void reshow(const QList<QWidget *> &widgets);
    bool onShownTab(int tab) const;
    static quint32 fieldValue(const BoundField &field);

    bool m_commitArmed = false;
    QWidget *m_currentWidget = nullptr;
    QWidget *m_bannerStrip = nullptr;
    QLabel *m_remoteTip = nullptr;
    QWidget *m_contents = nullptr;
    ComboCommit m_comboCommit = ComboCommit::EveryActivation;
    Wiring m_wiring = Wiring::AllFields;
    QVector<std::function<int()>> m_limits;

    int m_switchSlot = -1;
    const char *m_bannerText = nullptr;
    QVector<BoundField> m_plainFields;
    QVector<WeightField> m_weightFields;
    QHash<const QWidget *, const ParamRow *> m_rows;
    QVector<TooltipGroup> m_tooltips;
    QVector<QLabel *> m_unitLabels;
    QVector<int> m_unitLabelTabs;
    QTabWidget *m_tabs = nullptr;
    int m_declaringTab = -1;
    int m_shownTab = -1;
    QList<QWidget *> m_commitEvenUnchanged;

    // What this page last applied; "unknown" until the first refresh.
    static constexpr quint32 Unknown = 0xFFFFFFFFu;
    quint32 m_shownSwitch = Unknown;
    quint32 m_shownDecimal = Unknown;
    quint32 m_shownUnit = Unknown;
};
