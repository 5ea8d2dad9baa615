#pragma once

#include "parampage.h"

#include <QString>

class QLabel;
class QPushButton;

namespace Ui {
class WeightCal;
}

// Set by the test and maintenance page after the instrument reset its calibration:
// the weight and calibration page then forgets the calibration weights it wrote.
extern bool calPointsResetPending;

// The weight format and calibration page. Its quirks: two display modes (analog
// load cells or digital sensors), division combo boxes that carry the division
// value, calibration weights that the instrument does not report back (the page
// keeps the last written ones), and the zero capture button.
class WeightCal : public ParamPage
{
    Q_OBJECT

public:
    static constexpr int CalPoints = 5;

    explicit WeightCal(QWidget *parent = nullptr);
    ~WeightCal() override;

    void enterPage() override;
    void refresh(bool force) override;
    void adaptWidth(int width) override;

protected:
    void lineEditCommitted(QLineEdit *edit, const QString &raw, ModbusResult result) override;

private:
    struct DigitalValue
    {
        QLabel *label;
        int slot;
        bool logged;
        quint32 shown;
    };

    void applyDisplayMode(int sensorsType);
    void refreshDigitalValues(bool force);
    void showCalPoint(int point);
    void captureZero();
    void openScaleTest();

    Ui::WeightCal *ui;
    QLineEdit *m_calPointEdit[CalPoints];
    QLabel *m_signalLabel[CalPoints];
    QLabel *m_signalUnit[CalPoints];
    // The last weight written for each point, as a raw integer text.
    QString m_calPointText[CalPoints];
    QVector<DigitalValue> m_digitalValues;
    int m_shownSensorsType = -1;
    QPushButton *m_scaleTest;
};
