#pragma once

#include "chainwalker.h"
#include "serviceentry.h"

#include <QDateTime>
#include <QPointF>
#include <QString>
#include <QVector>

// What a service report says, gathered before a line of it is laid out: the
// instrument's values as texts in the report's language, or why each could not
// be read.

// A value of the instrument: its text, or (failed) why it could not be read.
struct ReportValue
{
    QString text;
    bool failed = false;

    static ReportValue unread(const QString &why) { return {why, true}; }
};

// One parameter as its page shows it.
struct ReportParam
{
    int page = 0; // the catalogue's page, 1 to 6
    QString widget;
    QString name;
    ReportValue value;
    QString unit;
    QString range;
};

// A read of the instrument that failed: which registers, whose values, why.
struct ReportGap
{
    QString what; // "registers 300-353 (Data transmission)"
    QString why;
};

struct ReportContent
{
    bool chinese = false;
    QDateTime created;
    QString engineer;
    QString site;
    QString note;

    // The instrument and the link to it.
    QString link;
    int slaveId = 1;
    ReportValue serial;
    ReportValue mac;
    ReportValue softwareVersion;
    ReportValue compileDate;
    ReportValue kind;

    // At the moment of the report.
    ReportValue liveWeight;
    ReportValue liveSignal;
    // The weight curve: seconds from its first sample, weight in the unit.
    QVector<QPointF> curve;
    QString curveUnit;
    // The link to the instrument was lost (closed, or the instrument stopped
    // answering) while the report was read or the weight sampled.
    bool linkLost = false;

    QVector<ReportParam> params;
    QVector<ReportGap> gaps;

    // The service record's entries for the instrument from changesSince on,
    // oldest first, and the check of the record's chain.
    QDateTime changesSince;
    QVector<ServiceEntry> changes;
    // The scale tests among them (as found, as left), oldest first.
    QVector<ServiceEntry> tests;
    // The record's entries of the instrument in that time (connects and
    // disconnects too), and how many of the newest were searched for changes.
    int entriesInTime = 0;
    int entriesSearched = 0;
    QString changesError;
    VerifyResult chain;
};
