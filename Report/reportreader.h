#pragma once

#include "linksettings.h"
#include "reportcontent.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class ServiceRecord;

// Reads what a service report states from the instrument on the program's link:
// the system information, the calibration, the live values and every
// parameter, a block of registers per request. Each request holds polling for
// its own duration only, and the event loop runs between requests, so the
// window keeps polling and painting while the report is read. A read that
// fails leaves its values marked unread, with the reason, and the report goes
// on; once the instrument left ReopenAfterTimeouts requests in a row
// unanswered, nothing more is asked. Then the live weight is sampled for the
// curve (when asked to; a link lost meanwhile ends the sampling at once) and
// the service record is searched for the changes.
class ReportReader : public QObject
{
    Q_OBJECT

public:
    // Samples of the live weight are this far apart.
    static constexpr int SampleIntervalMs = 200;
    // The newest entries of the instrument searched for its changes.
    static constexpr int MostEntriesSearched = 500;

    ReportReader(const LinkSettings &link, ReportContent *content, QObject *parent = nullptr);

    // Sample the live weight for this long after the reads (0: the content's
    // curve is given by the caller).
    void setSampling(int ms) { m_sampleMs = ms; }
    // The record searched for the changes; none: the changes are said to be unavailable.
    void setRecord(ServiceRecord *record) { m_record = record; }

    // Starts reading; finished() follows, from the event loop.
    void start();
    bool isFinished() const { return m_finished; }
    // Reads to do, including the samples.
    int total() const;

signals:
    void progress(int done, int total);
    void finished();

private:
    // A block of registers (group >= 0) or one catalogue row read on its own.
    struct Step
    {
        int group = -1;
        int row = -1;
    };

    void next();
    void readStep(const Step &step);
    void sample();
    void finish();
    void markUnread(const Step &step, const QString &why);
    QString resultText(int result) const;
    // Whether the link is gone: closed, or left unanswered too often in a row.
    bool linkGone(int result) const;

    LinkSettings m_link;
    ReportContent *m_content;
    ServiceRecord *m_record = nullptr;
    QVector<Step> m_steps;
    QVector<quint32> m_raw;    // per catalogue row
    QVector<QString> m_unread; // per catalogue row: why it was not read
    QVector<bool> m_read;
    int m_done = 0;
    int m_sampleMs = 0;
    int m_samples = 0;
    bool m_finished = false;
    bool m_digital = false;
    bool m_liveRead = false;
    quint32 m_liveWeight = 0;
    quint32 m_liveSignal = 0;
    quint32 m_liveStatus = 0;
    QElapsedTimer m_sampleClock;
    QTimer m_sampleTimer;
};
