#pragma once

#include <QString>

class QLabel;
class QSpacerItem;
class QWidget;

// The weight panel: weight with unit, zero/stable/net marks, overflow texts,
// millivolts or AD code and the instrument's error message. Every label but the
// weight text is rewritten only when its source value changed.
class LiveDisplay
{
public:
    struct Widgets
    {
        QLabel *weight = nullptr;     // labelweight_1
        QLabel *netMark = nullptr;    // LabNetFg
        QLabel *zeroMark = nullptr;   // Lab_Zero
        QLabel *stableMark = nullptr; // Lab_Stable
        QWidget *mvAdPanel = nullptr; // Widget_DisMV_AD
        QLabel *mvTitle = nullptr;    // label_Mv
        QLabel *mvValue = nullptr;    // label_Mv_1
        QLabel *adTitle = nullptr;    // label_AD
        QLabel *adValue = nullptr;    // label_AD_1
        QLabel *splitLine = nullptr;  // label_SplitLine_2
        QSpacerItem *spacerLeft = nullptr;
        QSpacerItem *spacerRight = nullptr;
        QLabel *errorText = nullptr; // label_ErrorMessage_1
        QWidget *digSensorsButton = nullptr;
    };

    explicit LiveDisplay(const Widgets &widgets) : m_w(widgets) {}

    // Brings the panel up to date with the mirror; force rewrites everything.
    void refresh(bool force, bool chinese);

    QString shownWeightText() const { return m_shownWeightText; }

private:
    void applyStatus(bool force, bool *overflowApplied);
    void applyKind(bool force);
    void applyRemoteOutWay(bool force);
    void applyWeightText(bool overflowApplied);
    void applyMvAd(bool force);
    void applyNetMark(bool force);
    void applyError(bool force, bool chinese);
    void showMvAdPanel(bool shown);

    Widgets m_w;
    int m_shownUnit = 0;
    int m_shownDecimal = 0;
    int m_lastStatus = 0;
    bool m_statusBitShown[4] = {false, false, false, false};
    bool m_negativeOverflow = false;
    int m_appliedKind = -1;
    int m_lastRemoteOutWay = 0;
    QString m_weightText;
    QString m_shownWeightText;
    int m_lastMvAd = 0;
    int m_lastNet = 0;
    int m_lastErrors = 0;
};
