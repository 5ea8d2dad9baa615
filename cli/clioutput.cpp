#include "clioutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtGlobal>
#include <cstdio>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {
constexpr int BarWidth = 30;
}

bool StandardErrorIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

void WidenTable(QVector<int> *widths, const QStringList &cells)
{
    if (widths->size() < cells.size())
        widths->resize(cells.size());
    for (int c = 0; c < cells.size(); ++c)
        (*widths)[c] = qMax(widths->at(c), cells[c].size());
}

void PrintTableLine(QTextStream &out, const QVector<int> &widths, const QStringList &cells)
{
    QString text;
    for (int c = 0; c < cells.size(); ++c) {
        if (c > 0)
            text += QStringLiteral("  ");
        text += c + 1 < cells.size() ? cells[c].leftJustified(widths.value(c)) : cells[c];
    }
    out << text << '\n';
}

void PrintTable(QTextStream &out, const QStringList &header, const QVector<QStringList> &rows)
{
    QVector<int> widths;
    WidenTable(&widths, header);
    for (const QStringList &row : rows)
        WidenTable(&widths, row.mid(0, header.size()));
    PrintTableLine(out, widths, header);
    for (const QStringList &row : rows)
        PrintTableLine(out, widths, row);
    out.flush();
}

void PrintJson(QTextStream &out, const QJsonValue &document)
{
    const QJsonDocument doc =
        document.isArray() ? QJsonDocument(document.toArray()) : QJsonDocument(document.toObject());
    out << QString::fromUtf8(doc.toJson(QJsonDocument::Indented));
    out.flush();
}

QJsonObject ErrorJson(const QString &kind, const QString &message, const QString &instrument)
{
    QJsonObject error{{"kind", kind}, {"message", message}};
    if (!instrument.isEmpty())
        error.insert(QStringLiteral("instrument"), instrument);
    return error;
}

ProgressBar::ProgressBar(CliStreams &streams, const QString &label) : m_s(streams), m_label(label)
{}

ProgressBar::~ProgressBar()
{
    if (m_s.errIsTerminal && m_shown >= 0) {
        m_s.err << '\n';
        m_s.err.flush();
    }
}

void ProgressBar::show(int percent)
{
    percent = qBound(0, percent, 100);
    if (!m_s.errIsTerminal || percent == m_shown)
        return;
    m_shown = percent;
    const int filled = percent * BarWidth / 100;
    m_s.err << '\r' << m_label << " [" << QString(filled, QLatin1Char('#'))
            << QString(BarWidth - filled, QLatin1Char('.')) << "] " << percent << '%';
    m_s.err.flush();
}
