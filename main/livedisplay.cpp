#include "livedisplay.h"

#include "decimaltext.h"
#include "devicemodel.h"
#include "errortexts.h"
#include "valuebinding.h"

#include <QLabel>
#include <QLayout>
#include <QSpacerItem>
#include <QWidget>

namespace {

constexpr int OverflowReading = 9999999;
// Chinese error texts longer than this get the smaller font.
constexpr int LongChineseText = 14;

bool bitSet(quint32 word, int bit)
{
    return (word >> bit) & 1u;
}

} // namespace

void LiveDisplay::refresh(bool force, bool chinese)
{
    const int unit = int(gsrt_CalPara.slot[CalUnitSlot]);
    const int decimals = int(gsrt_CalPara.slot[CalDecimalSlot]);
    if (unit != m_shownUnit || decimals != m_shownDecimal) {
        m_shownUnit = unit;
        m_shownDecimal = decimals;
    }
    bool overflowApplied = false;
    applyStatus(force, &overflowApplied);
    applyKind(force);
    applyRemoteOutWay(force);
    applyWeightText(overflowApplied);
    applyMvAd(force);
    applyNetMark(force);
    applyError(force, chinese);
}

void LiveDisplay::applyStatus(bool force, bool *overflowApplied)
{
    const int status = int(gsrt_LiveVal.slot[1]);
    if (status == m_lastStatus && !force)
        return;
    m_lastStatus = status;
    for (int bit = 0; bit < 4; ++bit) {
        const bool value = bitSet(quint32(status), bit);
        const bool apply = bit == 0 ? (value != m_statusBitShown[0] || force)
                                    : (value || m_statusBitShown[bit] || force);
        if (!apply)
            continue;
        m_statusBitShown[bit] = value;
        switch (bit) {
        case 0:
            m_w.stableMark->setStyleSheet(
                value ? QStringLiteral("border-image: url(:/images/Stable.png);")
                      : QStringLiteral("border-image: None;"));
            break;
        case 1:
            m_w.zeroMark->setStyleSheet(
                value ? QStringLiteral("border-image: url(:/images/Zero1.png); "
                                       "background-color:rgb(46,47,48);")
                      : QStringLiteral("border-image: None;"));
            break;
        case 2:
            m_negativeOverflow = value;
            break;
        case 3:
            if (value) {
                m_weightText = m_negativeOverflow ? QStringLiteral("-OFL") : QStringLiteral("OFL");
                *overflowApplied = true;
            }
            break;
        }
    }
}

void LiveDisplay::showMvAdPanel(bool shown)
{
    m_w.mvAdPanel->setVisible(shown);
    m_w.splitLine->setVisible(shown);
    const int width = shown ? 40 : 1;
    const int height = shown ? 20 : 1;
    const QSizePolicy::Policy horizontal = shown ? QSizePolicy::Expanding : QSizePolicy::Minimum;
    for (QSpacerItem *spacer : {m_w.spacerLeft, m_w.spacerRight}) {
        if (spacer)
            spacer->changeSize(width, height, horizontal, QSizePolicy::Minimum);
    }
    if (m_w.mvAdPanel->parentWidget() && m_w.mvAdPanel->parentWidget()->layout())
        m_w.mvAdPanel->parentWidget()->layout()->invalidate();
}

void LiveDisplay::applyKind(bool force)
{
    if (gu8_DigSensorsType == m_appliedKind && !force)
        return;
    const quint32 version = gsrt_SysInf.slot[SoftVersionSlot];
    if (version >= 10000 && version <= 19999)
        gu8_DigSensorsType = 0;
    else if (version >= 20000 && version <= 29999)
        gu8_DigSensorsType = 1;
    m_appliedKind = gu8_DigSensorsType;

    if (gu8_DigSensorsType == 1) {
        m_w.digSensorsButton->show();
        m_w.adTitle->show();
        m_w.adValue->show();
        m_w.mvTitle->hide();
        m_w.mvValue->hide();
    } else if (gu8_DigSensorsType == 0) {
        m_w.digSensorsButton->hide();
        m_w.adTitle->hide();
        m_w.adValue->hide();
        m_w.mvTitle->show();
        m_w.mvValue->show();
        showMvAdPanel(true);
    } else {
        return;
    }
    m_lastRemoteOutWay = 2;
}

void LiveDisplay::applyRemoteOutWay(bool force)
{
    const int way = int(gsrt_DigPara.slot[RemoteOutWaySlot]);
    if (way == m_lastRemoteOutWay && !force)
        return;
    m_lastRemoteOutWay = way;
    showMvAdPanel(!(way == 1 && gu8_DigSensorsType == 1));
}

void LiveDisplay::applyWeightText(bool overflowApplied)
{
    if (!overflowApplied) {
        const qint32 raw = qint32(gsrt_LiveVal.slot[0]);
        if (raw != OverflowReading && raw != -OverflowReading)
            m_weightText = FormatScaled(raw, m_shownDecimal) + QLatin1Char(' ') +
                           UnitName(quint32(m_shownUnit));
    }
    m_shownWeightText = m_weightText;
    m_w.weight->setText(m_shownWeightText);
}

void LiveDisplay::applyMvAd(bool force)
{
    const int value = int(qint32(gsrt_LiveVal.slot[11]));
    if (value == m_lastMvAd && !force)
        return;
    m_lastMvAd = value;
    if (gu8_DigSensorsType == 1)
        m_w.adValue->setText(QString::number(value));
    else if (gu8_DigSensorsType == 0)
        m_w.mvValue->setText(FormatScaled(value, 4) + QStringLiteral(" mV"));
}

void LiveDisplay::applyNetMark(bool force)
{
    const int net = gsrt_LiveVal.netFlag;
    if (net == m_lastNet && !force)
        return;
    m_lastNet = net;
    if (net)
        m_w.netMark->setText(QStringLiteral("NET"));
    else
        m_w.netMark->clear();
}

void LiveDisplay::applyError(bool force, bool chinese)
{
    const quint32 errors = gsrt_LiveVal.slot[2];
    if (int(errors) == m_lastErrors && !force)
        return;
    m_lastErrors = int(errors);
    if (errors == 0) {
        m_w.errorText->setStyleSheet(QStringLiteral("font-size: 25px;"));
        m_w.errorText->setText(chinese ? QStringLiteral("无") : QStringLiteral("None"));
        return;
    }
    int bit = 0;
    while (!bitSet(errors, bit))
        ++bit;
    const QString text = InstrumentErrorText(bit, chinese);
    if (chinese)
        m_w.errorText->setStyleSheet(text.size() > LongChineseText
                                         ? QStringLiteral("font-size: 20px;")
                                         : QStringLiteral("font-size: 25px;"));
    m_w.errorText->setText(text);
}
