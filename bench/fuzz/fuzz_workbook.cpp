// Opening whatever file a user picks as a workbook: the bytes become a file, the
// engine opens it, reads every sheet's used range, changes a cell and saves. A
// hostile file must end in a status, never in a crash, a hang or runaway memory.
#include "workbook.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static bool limited = false;
    if (!limited) {
        // Small limits keep each run quick; the checks are the same.
        Workbook::setLimits({4 << 20, 4 << 20, 16 << 20, 200, 20000});
        limited = true;
    }
    const QString path = dir.filePath(QStringLiteral("input.xlsx"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    Workbook book;
    if (!book.open(path))
        return 0;
    for (const QString &name : book.sheetNames()) {
        if (!book.selectSheet(name))
            continue;
        for (int r = 1; r <= qMin(book.rowCount(), 50); ++r) {
            for (int c = 1; c <= qMin(book.columnCount(), 10); ++c)
                book.cellText(r, c);
        }
        if (!book.isReadOnly()) {
            book.setCellText(2, 7, QStringLiteral("530"));
            book.setCellText(book.rowCount() + 1, 1, QStringLiteral("text"));
            book.save();
        }
    }
    return 0;
}
