#pragma once

// Which of a visit's service record entries a calibration certificate pairs:
// the last as-found test before the first adjustment, every adjustment (each
// calibration write with the instrument's verdict, refused ones too), and the
// last as-left test after them. An adjustment that may have changed the scale
// after that test is flagged: the test no longer tells how the scale was left.

#include "serviceentry.h"

#include <QCoreApplication>
#include <QStringList>
#include <QVector>

struct CertificateEvidence
{
    int asFound = -1;          // index into the entries; -1 for none
    QVector<int> adjustments;  // calibration writes, oldest first
    int asLeft = -1;           // the last after the first change; -1 for none
    QVector<int> changedAfter; // adjustments after the last as-left test
    // "changed after the as-left test: CP1 at 11:28"; "no as-left test after
    // the last adjustment"; translated.
    QStringList flags;
};

class Certificates
{
    Q_DECLARE_TR_FUNCTIONS(Certificates)
public:
    // entries: one instrument's entries of the visit, oldest first (tests,
    // changes and whatever else; only tests and calibration writes count).
    static CertificateEvidence select(const QVector<ServiceEntry> &entries);
    // Whether the entry is a calibration write (zero, points, keyed-in zero,
    // theoretical calibration, correction), whatever its outcome.
    static bool isAdjustment(const ServiceEntry &entry);
    // Whether such a write may have changed the scale: every outcome but a
    // refusal (the link's or the instrument's).
    static bool mayHaveChanged(const ServiceEntry &entry);
    // "zero", "CP1" to "CP5", else the parameter's name.
    static QString adjustmentName(const ServiceEntry &entry);
    // "as found", "as left" or empty: the phase a test entry names.
    static QString phaseOf(const ServiceEntry &entry);
};
