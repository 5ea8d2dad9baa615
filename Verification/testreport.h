#pragma once

// A scale test's result as others show it: zeltctl's table and JSON, the
// service record's detail text, the report's certificate tables.

#include "scaletest.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QStringList>
#include <QVector>

class TestReport
{
    Q_DECLARE_TR_FUNCTIONS(TestReport)
public:
    // "pass", "fail", "incomplete"; translated.
    static QString verdictText(Verdict verdict);
    // "captured", "open", "skipped", "timed out"; translated.
    static QString statusText(PointResult::Status status);

    // One row per point: #, test, load, indication, error, error in e, U
    // (k = 2; "not stated" without a weight class), tolerance, result.
    static QStringList header();
    static QVector<QStringList> rows(const TestResult &result);
    // The criteria, the uncertainty's basis, the decision rule and the verdict
    // in a few lines.
    static QStringList summary(const TestResult &result);
    // How U was stated (or why not), and what the model left out.
    static QStringList uncertaintyLines(const TestResult &result);
    // Each captured point's budget: every contribution with its value, u and U.
    static QStringList budgetLines(const TestResult &result);

    // standard, class, accuracy, max, ranges, unit, points (each with load,
    // indication, error, tolerance in units and in e, raw counts beside),
    // criteria, verdict.
    static QJsonObject json(const TestResult &result);
    // Text with every point, kept in the service record's entry: the header
    // and a line per point with cells between " | ", then each point's
    // uncertainty budget, then the summary.
    static QString recordDetail(const TestResult &result);
    // The detail's table (its header first) and its other lines; a detail
    // written before the U column reads with its nine columns.
    static void splitDetail(const QString &detail, QVector<QStringList> *table, QStringList *lines);
};

// Puts a test into the service record (one entry, every point in its detail;
// source says what ran it). A test that was stopped, lost its link or left a
// point open is evidence too: it is kept as "incomplete", with why it ended,
// never as passed. False when the record did not keep it.
bool RecordScaleTest(const TestResult &result, const QString &source);
