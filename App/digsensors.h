#pragma once

#include "parampage.h"

class QLabel;
class QPushButton;

namespace Ui {
class DigSensors;
}

// The digital-sensor page: the sensor bus parameters, the bus address and reading
// of up to eight sensors, the corner factors, and three procedures the instrument
// runs (sensor search, corner correction, corner reset) behind confirmations.
// The module count decides how many sensor panels and corner rows are shown; a
// count above eight shows all eight, and the corner correction never asks for more
// corners than there are texts for.
class DigSensors : public ParamPage
{
    Q_OBJECT

public:
    static constexpr int Modules = 8;

    explicit DigSensors(QWidget *parent = nullptr);
    ~DigSensors() override;

    void enterPage() override;
    void refresh(bool force) override;

    // The module count as the instrument reports it (a signed value).
    static int moduleCount();

protected:
    // An emptied corner field of a present module means 0: it is converted, and
    // sent, instead of getting its old text back.
    QString entryRawText(const QLineEdit *edit) const override;

private:
    void searchSensors();
    void fixCorners();
    void resetCorners();
    void startProcedure(QPushButton *button, const QString &note);
    void showModules(int count);
    void showOutWay(quint32 way);

    Ui::DigSensors *ui;
    QWidget *m_sensorPanel[Modules];
    QLabel *m_prefix[Modules];
    QLabel *m_cornerLabel[Modules];
    QLineEdit *m_cornerEdit[Modules];
    // What the panels and prefixes were last set for; unknown until the first refresh.
    qint64 m_shownModules = qint64(1) << 40;
    qint64 m_shownWay = qint64(1) << 40;
};
