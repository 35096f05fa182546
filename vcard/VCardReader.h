// A reader of vCard files (versions 2.1, 3.0 and 4.0) as phones and mail
// programs export their contacts: folded lines, quoted-printable values
// with soft line breaks, CHARSET= parameters, photos of many lines (which
// are skipped). Only what the calendar can use is taken: the name, the
// UID, the birthday and the anniversary.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// A day of the year with its year, or without one (year 0).
struct VCardDate {
    int year = 0;
    int month = 0;
    int day = 0;
    bool operator==(const VCardDate&) const = default;
};

struct VCardContact {
    int line = 0;                          // the line of its BEGIN:VCARD, from 1
    QString uid;                           // UID, empty when there is none
    QString fullName;                      // FN; without one the parts of N, then ORG
    std::optional<VCardDate> birthday;     // BDAY
    std::optional<VCardDate> anniversary;  // ANNIVERSARY or its older X- names
};

// Every contact of the file, in file order. A file that is not a vCard
// file, or breaks its form, throws EQuillet with a Russian message that
// names the line ("Строка 12: ...").
std::vector<VCardContact> ReadVCards(const QByteArray& bytes);

// Whether the bytes look like a vCard file: their first line that is not
// blank begins a vCard.
bool LooksLikeVCard(const QByteArray& bytes);
