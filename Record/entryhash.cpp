#include "entryhash.h"

#include "entryfields.h"

#include <QCryptographicHash>

QByteArray CanonicalEntryText(const ServiceEntry &entry)
{
    QByteArray out("zelt-service-entry-v1\n");
    out.reserve(1024);
    for (const EntryField &field : EntryFields(entry)) {
        out += field.name;
        out += '=';
        const QByteArray value = field.value.toUtf8();
        for (const char c : value) {
            if (c == '\\')
                out += "\\\\";
            else if (c == '\n')
                out += "\\n";
            else if (c == '\r')
                out += "\\r";
            else
                out += c;
        }
        out += '\n';
    }
    return out;
}

QString EntryHash(const ServiceEntry &entry)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(CanonicalEntryText(entry), QCryptographicHash::Sha256).toHex());
}

QString GenesisHash()
{
    return QString(64, QLatin1Char('0'));
}
