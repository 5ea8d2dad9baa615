#include "parampage.h"
#include "logcategories.h"

#include "decimaltext.h"
#include "devicemodel.h"
#include "valuebinding.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRegExpValidator>
#include <QTabWidget>
#include <QTimer>
#include <QToolTip>

namespace {

// An optional minus, digits and at most one decimal point, or nothing at all.
const char EntryPattern[] = "-?[0-9]+[.][0-9]*|-?[0-9]+|^$";

bool isClass(const QObject *object, const char *name)
{
    return qstrcmp(object->metaObject()->className(), name) == 0;
}

bool isClosedPopupList(const QObject *watched)
{
    const auto *list = qobject_cast<const QListView *>(watched);
    return list && !list->isVisible();
}

} // namespace

ParamPage::ParamPage(QWidget *parent) : PageBase(parent)
{}

ParamPage::~ParamPage()
{
    // The widgets outlive this part of the page while QWidget deletes them.
    for (QComboBox *combo : findChildren<QComboBox *>())
        combo->disconnect(this);
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        edit->disconnect(this);
}

void ParamPage::wirePage(Wiring wiring)
{
    m_wiring = wiring;
    m_bannerStrip = findChild<QWidget *>(QStringLiteral("widget_top"));
    m_remoteTip = findChild<QLabel *>(QStringLiteral("label_RemoteTip"));
    m_contents = findChild<QWidget *>(QStringLiteral("scrollAreaWidgetContents"));
    Q_ASSERT(m_bannerStrip && m_remoteTip);
    m_commitArmed = false;
    m_bannerStrip->hide();
    m_currentWidget = m_remoteTip;

    const QList<QComboBox *> combos = findChildren<QComboBox *>();
    // The pop-up lists come into being with the first call of view().
    for (QComboBox *combo : combos)
        combo->view();
    for (QListView *list : findChildren<QListView *>())
        list->installEventFilter(this);
    for (QComboBox *combo : combos) {
        combo->installEventFilter(this);
        connect(combo, QOverload<int>::of(&QComboBox::activated), this,
                [this, combo](int index) { commitCombo(combo, index); });
    }
    if (wiring == Wiring::CombosOnly)
        return;
    const QRegExp entry(QString::fromLatin1(EntryPattern), Qt::CaseSensitive);
    for (QLineEdit *edit : findChildren<QLineEdit *>()) {
        if (qobject_cast<QAbstractSpinBox *>(edit->parent()) ||
            qobject_cast<QComboBox *>(edit->parent()))
            continue;
        edit->setValidator(new QRegExpValidator(entry, edit));
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { commitLineEdit(edit); });
    }
}

void ParamPage::setBanner(int switchSlot, const char *sourceText)
{
    m_switchSlot = switchSlot;
    m_bannerText = sourceText;
}

void ParamPage::bindCatalogue(int page, int tab, const QStringList &pageRendered)
{
    for (const ParamRow &row : ParameterCatalogue()) {
        if (row.page != page || (tab != 0 && row.tab != tab))
            continue;
        const QString name = QString::fromLatin1(row.widget);
        auto *widget = findChild<QWidget *>(name);
        if (!widget)
            continue;
        m_rows.insert(widget, &row);
        if (pageRendered.contains(name) || row.kind == ParamKind::Command || row.slot < 0)
            continue;
        if (row.kind == ParamKind::Weight) {
            if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
                const WeightField field{edit, &row, 0, m_declaringTab};
                m_weightFields.append(field);
            }
        } else {
            m_plainFields.append({widget, row.kind, row.factorDigits, &row, nullptr, 0, false, -1,
                                  0, m_declaringTab});
        }
    }
}

void ParamPage::addSlotField(QWidget *widget, const quint32 *slot, ParamKind kind, int factorDigits)
{
    m_plainFields.append(
        {widget, kind, factorDigits, nullptr, slot, 0, false, -1, 0, m_declaringTab});
}

void ParamPage::limitFields(const QList<QWidget *> &widgets, std::function<int()> count)
{
    m_limits.append(std::move(count));
    for (BoundField &field : m_plainFields) {
        const int at = widgets.indexOf(field.widget);
        if (at >= 0) {
            field.limit = m_limits.size() - 1;
            field.position = at;
        }
    }
}

void ParamPage::setFieldFormat(QWidget *widget, ParamKind kind, int factorDigits)
{
    for (BoundField &field : m_plainFields) {
        if (field.widget == widget && (field.kind != kind || field.factorDigits != factorDigits)) {
            field.kind = kind;
            field.factorDigits = factorDigits;
            field.stale = true;
        }
    }
}

void ParamPage::addDecimalTooltips(const QList<QWidget *> &widgets, const DecimalTexts &texts)
{
    m_tooltips.append({widgets, &texts, m_declaringTab});
}

void ParamPage::commitEvenUnchanged(const QList<QWidget *> &widgets)
{
    m_commitEvenUnchanged += widgets;
}

void ParamPage::addUnitLabels(const QList<QLabel *> &labels)
{
    m_unitLabels += labels.toVector();
    m_unitLabelTabs += QVector<int>(labels.size(), m_declaringTab);
}

bool ParamPage::tabForcesRefresh(bool force)
{
    if (!m_tabs)
        return force;
    const int current = m_tabs->currentIndex();
    if (current == m_shownTab)
        return force;
    m_shownTab = current;
    return true;
}

bool ParamPage::onShownTab(int tab) const
{
    return tab < 0 || !m_tabs || tab == m_shownTab;
}

QTimer *ParamPage::addReshowTimer(const QList<QWidget *> &widgets, int ms)
{
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setInterval(ms);
    connect(timer, &QTimer::timeout, this, [this, widgets] { reshow(widgets); });
    return timer;
}

void ParamPage::reshow(const QList<QWidget *> &widgets)
{
    for (BoundField &field : m_plainFields) {
        if (!widgets.contains(field.widget))
            continue;
        field.shown = fieldValue(field);
        showField(field, field.shown);
    }
}

void ParamPage::fieldShown(QWidget *)
{}

bool ParamPage::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Wheel:
        return true;
    case QEvent::KeyPress:
        if (m_wiring == Wiring::CombosOnly)
            break;
        // The keypad's Enter does not arm a commit; only the main Return key does.
        // A Return that reaches a pop-up list already closed is the one that picked
        // the item: its commit is done, it arms no other.
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Return &&
            !isClosedPopupList(watched)) {
            m_commitArmed = true;
            refuseUnfinishedEntry(watched);
        }
        break;
    case QEvent::FocusOut:
        refuseUnfinishedEntry(watched);
        break;
    case QEvent::FocusIn: {
        if (m_wiring == Wiring::CombosOnly) {
            // No arming here, but a refused write must put back this combo box's
            // own item, not a text another page captured.
            if (auto *combo = qobject_cast<QComboBox *>(watched))
                RememberValueBeforeEdit(combo, QString::number(combo->currentIndex()));
            break;
        }
        m_commitArmed = true;
        QWidget *focus = QApplication::focusWidget();
        if (!focus)
            focus = qobject_cast<QWidget *>(watched);
        m_currentWidget = focus;
        if (focus && isClass(focus, "QLineEdit"))
            RememberValueBeforeEdit(focus, static_cast<QLineEdit *>(focus)->text());
        else if (focus && isClass(focus, "QComboBox"))
            RememberValueBeforeEdit(
                focus, QString::number(static_cast<QComboBox *>(focus)->currentIndex()));
        break;
    }
    default:
        break;
    }
    return PageBase::eventFilter(watched, event);
}

QString ParamPage::rawText(const QLineEdit *edit) const
{
    const ParamRow *row = m_rows.value(edit);
    if (!row)
        return edit->text();
    switch (row->kind) {
    case ParamKind::Weight:
        return ToRawText(edit);
    case ParamKind::Factor:
        return ScaleByFactorText(edit->text(), row->factorDigits);
    default:
        return edit->text();
    }
}

QString ParamPage::entryRawText(const QLineEdit *) const
{
    return QString();
}

void ParamPage::commitLineEdit(QLineEdit *edit)
{
    QString raw = entryRawText(edit);
    if (raw.isNull() && edit->text().isEmpty()) {
        // The edit is over: leaving the field now must not send the text put back.
        m_commitArmed = false;
        edit->setText(ValueBeforeEdit(edit));
        moveFocusToBanner(edit);
        return;
    }
    // The page's own conversion has taken the entry in; the common one takes numbers only.
    DecimalText typed;
    const bool typedNumber = !raw.isNull() || DecimalText::parse(edit->text(), &typed);
    if (raw.isNull())
        raw = rawText(edit);
    if (!m_commitArmed)
        return;
    m_commitArmed = false;
    // Parameters live in non-volatile memory and remote editing may be locked: a
    // field the user did not change is not written.
    if (edit->text() == ValueBeforeEdit(edit) && !m_commitEvenUnchanged.contains(edit)) {
        moveFocusToBanner(edit);
        return;
    }
    // An emptied field that the page gives a meaning of its own is the page's to judge.
    const bool pageMeaning = edit->text().isEmpty();
    if (!typedNumber || (!pageMeaning && !entryFits(edit, raw))) {
        refuseEntry(edit);
        return;
    }
    const ModbusResult result = SendWidgetValue(m_currentWidget, raw);
    lineEditCommitted(edit, raw, result);
    moveFocusToBanner(edit);
}

// A lone "-" passes the input rule but is no number: the line edit then never
// reports the edit as finished, so it is put right here.
void ParamPage::refuseUnfinishedEntry(QObject *watched)
{
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (!edit || !edit->validator() || edit->hasAcceptableInput())
        return;
    m_commitArmed = false;
    refuseEntry(edit);
}

bool ParamPage::entryFits(const QLineEdit *edit, const QString &raw) const
{
    bool number = false;
    const qint64 value = raw.section(QLatin1Char('.'), 0, 0).toLongLong(&number);
    if (!number)
        return false;
    const ParamRow *row = m_rows.value(edit);
    if (!row)
        return true;
    if (row->rawMin != 0 || row->rawMax != 0)
        return value >= row->rawMin && value <= row->rawMax;
    return !(row->kind == ParamKind::Plain && value < 0);
}

// Refused like an over-long entry: nothing is sent, the old text returns, and
// the tooltip says what the field takes.
void ParamPage::refuseEntry(QLineEdit *edit)
{
    qCDebug(lcPages) << "refused" << edit->objectName() << edit->text();
    edit->setText(ValueBeforeEdit(edit));
    moveFocusToBanner(edit);
    // A tooltip closes when the focus moves: it is shown once the focus has settled.
    QTimer::singleShot(0, edit, [edit] {
        if (edit->isVisible() && !edit->toolTip().isEmpty())
            QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), edit->toolTip(), edit);
    });
}

void ParamPage::lineEditCommitted(QLineEdit *, const QString &, ModbusResult)
{}

void ParamPage::commitCombo(QComboBox *combo, int index)
{
    m_currentWidget = combo;
    if (m_comboCommit == ComboCommit::ArmedOnly) {
        if (!m_commitArmed)
            return;
        m_commitArmed = false;
    }
    const ParamRow *row = m_rows.value(combo);
    const QString value = row && row->kind == ParamKind::Division
                              ? DivisionValueText(combo->itemText(index))
                              : QString::number(index);
    SendWidgetValue(combo, value);
    // The pop-up may still hold the focus: the banner label takes it in any case.
    if (m_comboCommit == ComboCommit::ArmedOnly)
        m_remoteTip->setFocus(Qt::OtherFocusReason);
}

void ParamPage::moveFocusToBanner(const QWidget *committed)
{
    // A commit that came from leaving the field lets the focus go where the user put it.
    if (committed->hasFocus())
        m_remoteTip->setFocus(Qt::OtherFocusReason);
}

void ParamPage::refresh(bool force)
{
    refreshBanner(force);
    force = tabForcesRefresh(force);
    refreshPlainFields(force);
    refreshWeightFields(force);
    refreshUnitLabels(force);
}

void ParamPage::refreshBanner(bool force)
{
    if (m_switchSlot < 0)
        return;
    const quint32 remoteEdit = gsrt_SysInf.slot[m_switchSlot];
    if (remoteEdit == m_shownSwitch && !force)
        return;
    m_shownSwitch = remoteEdit;
    if (remoteEdit != 0) {
        m_bannerStrip->hide();
        m_remoteTip->clear();
    } else {
        m_bannerStrip->show();
        m_remoteTip->setText(pageText(m_bannerText));
    }
}

quint32 ParamPage::fieldValue(const BoundField &field)
{
    return field.row ? MirrorValue(*field.row) : *field.slot;
}

void ParamPage::showField(const BoundField &field, quint32 value)
{
    if (auto *combo = qobject_cast<QComboBox *>(field.widget)) {
        if (field.kind == ParamKind::Division) {
            // A value without an item of its own leaves the selection as it was.
            const int item = combo->findText(DivisionItemText(value));
            if (item >= 0)
                combo->setCurrentIndex(item);
        } else {
            combo->setCurrentIndex(int(value));
        }
        return;
    }
    const QString text =
        FieldText(field.kind, field.factorDigits, value, gsrt_CalPara.slot[CalDecimalSlot]);
    if (auto *edit = qobject_cast<QLineEdit *>(field.widget))
        edit->setText(text);
    else if (auto *label = qobject_cast<QLabel *>(field.widget))
        label->setText(text);
}

void ParamPage::showBlank(QWidget *widget)
{
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        combo->setCurrentIndex(-1);
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
        edit->clear();
    else if (auto *label = qobject_cast<QLabel *>(widget))
        label->clear();
}

void ParamPage::refreshPlainFields(bool force)
{
    QVector<int> limits(m_limits.size());
    for (int i = 0; i < m_limits.size(); ++i)
        limits[i] = m_limits[i]();
    for (BoundField &field : m_plainFields) {
        if (field.limit >= 0 && field.position >= limits[field.limit])
            continue;
        if (!onShownTab(field.tab))
            continue;
        // Until its group is read, a field shows nothing rather than a zero.
        if (field.row && !RegisterKnown(field.row->address)) {
            if (!field.blank || force)
                showBlank(field.widget);
            field.blank = true;
            continue;
        }
        const quint32 value = fieldValue(field);
        if (value == field.shown && !field.stale && !field.blank && !force)
            continue;
        field.shown = value;
        field.stale = false;
        field.blank = false;
        showField(field, value);
        fieldShown(field.widget);
    }
}

bool ParamPage::refreshWeightFields(bool force)
{
    // Each page tracks the decimal setting it last showed: another page's refresh
    // must not make this one miss a change.
    const quint32 decimals = gsrt_CalPara.slot[CalDecimalSlot];
    const bool changed = force || decimals != m_shownDecimal;
    m_shownDecimal = decimals;

    QVector<QLineEdit *> edits;
    QVector<quint32 *> cached;
    QVector<quint32> values;
    for (WeightField &field : m_weightFields) {
        if (!onShownTab(field.tab))
            continue;
        if (!RegisterKnown(field.row->address)) {
            if (!field.blank || force)
                field.edit->clear();
            field.blank = true;
            continue;
        }
        const quint32 value = MirrorValue(*field.row);
        if (field.blank)
            field.shown = ~value; // the first value read is always drawn
        field.blank = false;
        edits.append(field.edit);
        cached.append(&field.shown);
        values.append(value);
    }
    const int n = edits.size();
    QVector<const quint32 *> mirror(n);
    for (int i = 0; i < n; ++i)
        mirror[i] = &values[i];
    RefreshLineEdits(edits.data(), n, cached.data(), mirror.data(), changed);

    if (changed) {
        for (const TooltipGroup &group : qAsConst(m_tooltips)) {
            if (!onShownTab(group.tab))
                continue;
            const QString tip = pageText(DecimalRangeText(*group.texts, decimals));
            for (QWidget *widget : group.widgets)
                widget->setToolTip(tip);
        }
    }
    return changed;
}

void ParamPage::refreshUnitLabels(bool force)
{
    const quint32 unit = gsrt_CalPara.slot[CalUnitSlot];
    const bool changed = force || unit != m_shownUnit;
    m_shownUnit = unit;
    QVector<QLabel *> labels;
    for (int i = 0; i < m_unitLabels.size(); ++i) {
        if (onShownTab(m_unitLabelTabs[i]))
            labels.append(m_unitLabels[i]);
    }
    RefreshUnitLabels(labels.data(), labels.size(), changed);
}

void ParamPage::setContentWidth(int width)
{
    if (!m_contents)
        return;
    m_contents->setMinimumWidth(width);
    m_contents->setMaximumWidth(width);
    // The panels sit at fixed places, so the scroll area learns their extent here.
    int bottom = 0;
    for (QWidget *panel :
         m_contents->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        bottom = qMax(bottom, panel->geometry().bottom() + 1);
    m_contents->setMinimumHeight(bottom + 10);
}

QString ParamPage::pageText(const char *source) const
{
    return QCoreApplication::translate(metaObject()->className(), source);
}
