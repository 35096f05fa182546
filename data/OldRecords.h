// The records of the previous version's data files. Tasks.dat is a run of
// 288-byte task records and Birth.dat a run of 120-byte event records, with
// no header; numbers are little-endian, texts a length byte followed by
// room for `capacity` Windows-1251 characters, and a trailing fragment
// shorter than one record is ignored. Any bytes at all give records: a
// date that is no date reads as 0, a length past the room as the room.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "core/DateTime.h"

constexpr int OldTaskRecSize = 288;
constexpr int OldBirthRecSize = 120;

struct TOldTaskRec {
    TDateTime dateTime = 0;  // 0 unless a reminder is wanted and the date is usable
    bool needAlert = false;
    QString caption;   // up to 50 characters
    QString category;  // up to 20
    QString details;   // up to 200
    bool executed = false;
    bool notified = false;
};

struct TOldBirthRec {
    TDateTime date = 0;
    QString caption;   // up to 50 characters
    int vid = 0;       // 0..255
    int category = 0;  // 0..65535
    QString comment;   // up to 50
    bool notified = false;
};

// Every whole record of a file's bytes, in file order.
std::vector<TOldTaskRec> ReadOldTasks(const QByteArray& file);
std::vector<TOldBirthRec> ReadOldBirths(const QByteArray& file);

// A length-prefixed text: `field` holds capacity + 1 bytes.
QString OldText(const char* field, int capacity);
// A date from 8 bytes: 0 unless it is a finite number that, rounded to the
// millisecond, lies in the years 1 to 9999.
TDateTime OldDate(const char* field);
