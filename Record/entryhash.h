#pragma once

#include "serviceentry.h"

#include <QByteArray>

// The chain: every entry's hash covers all its fields and the hash of the entry
// before it, so an entry changed, removed or slipped in afterwards shows.
//
// The canonical text of an entry is UTF-8, one "name=value" line per field, each
// line ending in "\n", in exactly this order:
//
//   zelt-service-entry-v1
//   id, origin, seq, time, utcOffset, kind,
//   serial, mac, softwareVersion, instrumentKind, link, slaveId,
//   paramName, paramNameZh, address, count,
//   oldRaw, oldShown, newRaw, newShown, unit,
//   source, user, host, outcome, exceptionCode, detail,
//   prevHash
//
// (the first line is the bare word, the others "name=value"). Numbers are decimal
// with a leading "-" when negative. time is the UTC time as yyyy-MM-ddTHH:mm:ss.zzzZ.
// kind and outcome are their texts (KindText, OutcomeText; no outcome is empty).
// In text values a backslash is written "\\", a line feed "\n" and a carriage
// return "\r", so every field stays on its line; an absent text is empty.
// The hash is the lower-case hex SHA-256 of that text.

QByteArray CanonicalEntryText(const ServiceEntry &entry);
// The parts of the text for writers that have the fields as UTF-8 bytes.
void AppendCanonicalUtf8(QByteArray &out, const char *name, const char *utf8, int size);
void AppendCanonicalNumber(QByteArray &out, const char *name, qint64 value);
void AppendCanonicalTime(QByteArray &out, qint64 msSinceEpoch);
// Lower-case hex SHA-256.
QString Sha256Hex(const QByteArray &text);
QString EntryHash(const ServiceEntry &entry);
// The prevHash of the first entry of a chain: 64 zeros.
QString GenesisHash();
