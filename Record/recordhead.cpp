#include "recordhead.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>

namespace {

const char *const SettingsKey = "Record/head";

// "ORIGIN SEQ HASH", one line.
QString headText(const RecordHead &head)
{
    return QStringLiteral("%1 %2 %3").arg(head.origin).arg(head.seq).arg(head.hash);
}

RecordHead parseHead(const QString &text)
{
    RecordHead head;
    const QStringList parts = text.simplified().split(QLatin1Char(' '));
    bool ok = false;
    if (parts.size() == 3) {
        head.seq = parts[1].toLongLong(&ok);
        if (ok && head.seq >= 0 && !parts[0].isEmpty()) {
            head.origin = parts[0];
            head.hash = parts[2];
        }
    }
    return head;
}

} // namespace

QString HeadFilePath(const QString &record)
{
    return record + QStringLiteral(".head");
}

RecordHead ReadHeadFile(const QString &record)
{
    QFile file(HeadFilePath(record));
    if (!file.open(QIODevice::ReadOnly))
        return RecordHead();
    return parseHead(QString::fromLatin1(file.read(512)));
}

bool WriteHeadFile(const QString &record, const RecordHead &head)
{
    // Written whole beside and renamed over the old one, never half; not
    // flushed to the disk (which would cost an import's rows a tenth of their
    // time): like the record's own last entries, a power cut may lose it.
    const QString path = HeadFilePath(record);
    const QString next = path + QStringLiteral(".new");
    QFile file(next);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(headText(head).toLatin1() + '\n') <= 0) {
        file.remove();
        return false;
    }
    file.close();
#ifdef Q_OS_WIN
    QFile::remove(path);
    return QFile::rename(next, path);
#else
    return std::rename(QFile::encodeName(next).constData(), QFile::encodeName(path).constData()) ==
           0;
#endif
}

RecordHead ReadSettingsHead(const QString &settingsFile)
{
    if (settingsFile.isEmpty() || !QFileInfo::exists(settingsFile))
        return RecordHead();
    return parseHead(
        QSettings(settingsFile, QSettings::IniFormat).value(QLatin1String(SettingsKey)).toString());
}

void WriteSettingsHead(const QString &settingsFile, const RecordHead &head)
{
    if (settingsFile.isEmpty())
        return;
    QDir().mkpath(QFileInfo(settingsFile).path());
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.setValue(QLatin1String(SettingsKey), headText(head));
}

void ForgetRecordHead(const QString &record, const QString &settingsFile)
{
    QFile::remove(HeadFilePath(record));
    if (!settingsFile.isEmpty() && QFileInfo::exists(settingsFile))
        QSettings(settingsFile, QSettings::IniFormat).remove(QLatin1String(SettingsKey));
}

QString HeadLoss(const RecordHead &remembered, const QString &where, const QString &origin,
                 qint64 lastSeq, const QString &hashAtRemembered)
{
    if (remembered.isNull() || remembered.seq == 0)
        return QString();
    const QString had = QStringLiteral("%1 remembers record %2 up to entry %3")
                            .arg(where, remembered.origin)
                            .arg(remembered.seq);
    if (origin.isEmpty())
        return QStringLiteral("it holds no record at all; %1").arg(had);
    if (origin != remembered.origin)
        return QStringLiteral("it is another record (%1); %2").arg(origin, had);
    if (lastSeq < remembered.seq)
        return QStringLiteral("it lost entries it had: it ends at entry %1; %2")
            .arg(lastSeq)
            .arg(had);
    if (hashAtRemembered != remembered.hash)
        return QStringLiteral("entry %1 is no longer the entry it held (the chain was rebuilt); %2")
            .arg(remembered.seq)
            .arg(had);
    return QString();
}
