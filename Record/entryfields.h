#pragma once

#include "serviceentry.h"

#include <QVector>

// An entry's fields as texts, in the order of its canonical text (see
// entryhash.h): numbers in decimal, time as yyyy-MM-ddTHH:mm:ss.zzzZ in UTC,
// kind and outcome as their texts, no text as an empty one.
struct EntryField
{
    const char *name;
    QString value;
};
QVector<EntryField> EntryFields(const ServiceEntry &entry);
