#pragma once

#include "analogoutput.h"
#include "parampage.h"

class QLabel;
class QTimer;

namespace Ui {
class DataTrans;
}

// The data transmission page: three serial ports, the network port, the printer
// and the analog output with a live preview of the output for the current weight.
// Its quirks: the data-format boxes are set again half a second after one of them
// changed, and the analog section follows the output type.
class DataTrans : public ParamPage
{
    Q_OBJECT

public:
    static constexpr int AnalogValues = 5;
    static constexpr int DataFormatReshowMs = 500;

    explicit DataTrans(QWidget *parent = nullptr);
    ~DataTrans() override;

    void enterPage() override;
    void refresh(bool force) override;
    void adaptWidth(int width) override;

    QTimer *dataFormatTimer() const { return m_dataFormatTimer; }

protected:
    void fieldShown(QWidget *widget) override;

private slots:
    void on_cBoxAnalogType_activated(int index);

private:
    void applyAnalogType(int type);
    void refreshAnalogValues(bool force);
    void refreshPreview(bool force);

    Ui::DataTrans *ui;
    QList<QWidget *> m_dataFormats;
    QTimer *m_dataFormatTimer = nullptr;
    QLineEdit *m_outputs[AnalogValues - 1];
    QLabel *m_outputUnits[AnalogValues - 1];
    quint32 m_analogShown[AnalogValues];
    int m_appliedType = -1;
    AnalogRange m_range;
    qint32 m_previewShown = 0;
    bool m_analogBlank = false;
};
