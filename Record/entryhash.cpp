#include "entryhash.h"

#include "entryfields.h"

#include <QCryptographicHash>

QByteArray CanonicalEntryText(const ServiceEntry &entry)
{
    QByteArray out("zelt-service-entry-v1\n");
    for (const EntryField &field : EntryFields(entry)) {
        QByteArray value = field.value.toUtf8();
        value.replace('\\', "\\\\");
        value.replace('\n', "\\n");
        value.replace('\r', "\\r");
        out += field.name;
        out += '=';
        out += value;
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
