#pragma once

#include "reportcontent.h"

#include <QString>

class QIODevice;

// Lays the report out on A4 pages in its language and writes it as a PDF with
// its fonts embedded: header, instrument, what could not be read, calibration
// with the weight curve, every parameter by page, the changes and the check of
// the service record, a footer with page numbers and the program's version.
// Needs a QGuiApplication (fonts). False with *error when nothing was written;
// a file is replaced only by a complete report.
bool WriteReportPdf(const ReportContent &content, const QString &path, QString *error);
// The same into an open device; returns the number of pages.
int WriteReportPdf(const ReportContent &content, QIODevice *device, QString *error);
