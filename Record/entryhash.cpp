#include "entryhash.h"

#include <openssl/sha.h>

namespace {

// Appends text as UTF-8 with the canonical escapes, writing straight into the
// buffer: the check of a long chain builds one such text per entry.
void appendEscaped(QByteArray &out, const QString &text)
{
    const int start = out.size();
    out.resize(start + 3 * text.size());
    char *p = out.data() + start;
    const ushort *u = reinterpret_cast<const ushort *>(text.constData());
    const ushort *end = u + text.size();
    while (u < end) {
        uint c = *u++;
        if (c < 0x80) {
            if (c == '\\') {
                *p++ = '\\';
                *p++ = '\\';
            } else if (c == '\n') {
                *p++ = '\\';
                *p++ = 'n';
            } else if (c == '\r') {
                *p++ = '\\';
                *p++ = 'r';
            } else {
                *p++ = char(c);
            }
            continue;
        }
        if (c >= 0xD800 && c < 0xDC00 && u < end && *u >= 0xDC00 && *u < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (*u++ - 0xDC00);
        } else if (c >= 0xD800 && c < 0xE000) {
            *p++ = '?'; // a lone surrogate, as QString::toUtf8 writes it
            continue;
        }
        if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
        } else {
            *p++ = char(0xF0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3F));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
        }
        *p++ = char(0x80 | (c & 0x3F));
    }
    out.resize(int(p - out.constData()));
}

void appendDigits(QByteArray &out, qint64 value, int width)
{
    char digits[24];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0 || n < width);
    while (n > 0)
        out += digits[--n];
}

// yyyy-MM-ddTHH:mm:ss.zzzZ of a UTC time; empty when there is none.
void appendTime(QByteArray &out, const QDateTime &time)
{
    if (time.isValid())
        AppendCanonicalTime(out, time.toMSecsSinceEpoch());
}

} // namespace

void AppendCanonicalTime(QByteArray &out, qint64 ms)
{
    if (ms < 0 || ms >= 253402300800000LL) { // outside years 1970 to 9999
        out += QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)
                   .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"))
                   .toUtf8();
        return;
    }
    const qint64 days = ms / 86400000, inDay = ms % 86400000;
    // Days since 1970-01-01 to a civil date.
    const qint64 z = days + 719468, era = z / 146097, doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
    const qint64 day = doy - (153 * mp + 2) / 5 + 1, month = mp < 10 ? mp + 3 : mp - 9;
    const qint64 year = yoe + era * 400 + (month <= 2);
    appendDigits(out, year, 4);
    out += '-';
    appendDigits(out, month, 2);
    out += '-';
    appendDigits(out, day, 2);
    out += 'T';
    appendDigits(out, inDay / 3600000, 2);
    out += ':';
    appendDigits(out, inDay / 60000 % 60, 2);
    out += ':';
    appendDigits(out, inDay / 1000 % 60, 2);
    out += '.';
    appendDigits(out, inDay % 1000, 3);
    out += 'Z';
}

void AppendCanonicalNumber(QByteArray &out, const char *name, qint64 value)
{
    out += name;
    out += '=';
    out += QByteArray::number(value);
    out += '\n';
}

void AppendCanonicalUtf8(QByteArray &out, const char *name, const char *utf8, int size)
{
    out += name;
    out += '=';
    const int start = out.size();
    out.resize(start + 2 * size);
    char *p = out.data() + start;
    for (const char *c = utf8, *end = utf8 + size; c < end; ++c) {
        if (*c == '\\') {
            *p++ = '\\';
            *p++ = '\\';
        } else if (*c == '\n') {
            *p++ = '\\';
            *p++ = 'n';
        } else if (*c == '\r') {
            *p++ = '\\';
            *p++ = 'r';
        } else {
            *p++ = *c;
        }
    }
    out.resize(int(p - out.constData()));
    out += '\n';
}

QString Sha256Hex(const QByteArray &text)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char *>(text.constData()), size_t(text.size()), digest);
    static const char hex[] = "0123456789abcdef";
    QString out(2 * SHA256_DIGEST_LENGTH, Qt::Uninitialized);
    QChar *p = out.data();
    for (unsigned char b : digest) {
        *p++ = QLatin1Char(hex[b >> 4]);
        *p++ = QLatin1Char(hex[b & 15]);
    }
    return out;
}

QByteArray CanonicalEntryText(const ServiceEntry &e)
{
    QByteArray out;
    out.reserve(1024);
    out += "zelt-service-entry-v1\n";
    const auto text = [&out](const char *name, const QString &value) {
        out += name;
        out += '=';
        appendEscaped(out, value);
        out += '\n';
    };
    const auto number = [&out](const char *name, qint64 value) {
        AppendCanonicalNumber(out, name, value);
    };
    text("id", e.id);
    text("origin", e.origin);
    number("seq", e.seq);
    out += "time=";
    appendTime(out, e.timeUtc);
    out += '\n';
    number("utcOffset", e.utcOffsetSeconds);
    text("kind", KindText(e.kind));
    text("serial", e.serial);
    text("mac", e.mac);
    text("softwareVersion", e.softwareVersion);
    text("instrumentKind", e.instrumentKind);
    text("link", e.link);
    number("slaveId", e.slaveId);
    text("paramName", e.paramName);
    text("paramNameZh", e.paramNameZh);
    number("address", e.address);
    number("count", e.count);
    text("oldRaw", e.oldRaw);
    text("oldShown", e.oldShown);
    text("newRaw", e.newRaw);
    text("newShown", e.newShown);
    text("unit", e.unit);
    text("source", e.source);
    text("user", e.user);
    text("host", e.host);
    text("outcome", OutcomeText(e.outcome));
    number("exceptionCode", e.exceptionCode);
    text("detail", e.detail);
    text("prevHash", e.prevHash);
    return out;
}

QString EntryHash(const ServiceEntry &entry)
{
    return Sha256Hex(CanonicalEntryText(entry));
}

QString GenesisHash()
{
    return QString(64, QLatin1Char('0'));
}
