#pragma once

// A report as a reader of it sees it, through poppler's own tools: its text,
// its fonts, its page count and its pages as pictures.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

namespace pdftools {

inline bool available()
{
    for (const char *tool : {"pdftotext", "pdffonts", "pdfinfo", "pdftoppm"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            return false;
    }
    return true;
}

inline QString run(const QString &tool, const QStringList &args, bool *ok = nullptr)
{
    QProcess p;
    p.start(tool, args);
    const bool done =
        p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (ok)
        *ok = done;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of the pages first to last (0: to the end).
inline QString text(const QString &pdf, int first = 1, int last = 0)
{
    QStringList args{QStringLiteral("-f"), QString::number(first)};
    if (last > 0)
        args << QStringLiteral("-l") << QString::number(last);
    return run(QStringLiteral("pdftotext"), args << pdf << QStringLiteral("-"));
}

// Without any white space: a table cell may wrap anywhere.
inline QString squeezed(QString s)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return s.remove(space);
}

inline int pageCount(const QString &pdf)
{
    static const QRegularExpression pages(QStringLiteral("^Pages:\\s+(\\d+)$"),
                                          QRegularExpression::MultilineOption);
    return pages.match(run(QStringLiteral("pdfinfo"), {pdf})).captured(1).toInt();
}

struct Font
{
    QString name;
    bool embedded = false;
};

// The fonts pdffonts lists, with whether each is embedded.
inline QVector<Font> fonts(const QString &pdf)
{
    QVector<Font> list;
    const QStringList lines = run(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n'));
    // Below the two header lines: name, type words, encoding, emb, sub, uni, object id.
    for (int i = 2; i < lines.size(); ++i) {
        const QStringList words = lines[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.size() < 7)
            continue;
        list.append({words.first(), words[words.size() - 5] == QLatin1String("yes")});
    }
    return list;
}

// Every page rendered at this resolution, in page order.
inline QVector<QImage> render(const QString &pdf, const QString &dir, int dpi = 50)
{
    bool ok = false;
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"), pdf,
         dir + QStringLiteral("/page")},
        &ok);
    QVector<QImage> pages;
    if (!ok)
        return pages;
    QStringList files = QDir(dir).entryList({QStringLiteral("page*.png")}, QDir::Files);
    // pdftoppm numbers the pages with as many digits as the last one needs.
    std::sort(files.begin(), files.end(), [](const QString &a, const QString &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const QString &f : files)
        pages.append(QImage(dir + QLatin1Char('/') + f));
    return pages;
}

// Pixels within `tolerance` of colour in each channel.
inline int pixelsNear(const QImage &image, const QColor &colour, int tolerance)
{
    int n = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            n += qAbs(qRed(line[x]) - colour.red()) <= tolerance &&
                 qAbs(qGreen(line[x]) - colour.green()) <= tolerance &&
                 qAbs(qBlue(line[x]) - colour.blue()) <= tolerance;
        }
    }
    return n;
}

} // namespace pdftools
