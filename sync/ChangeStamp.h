// Telling "nothing changed in the calendar since the last listing" by one
// cheap question: when the calendar last changed (getlastmodified), asked
// before each listing and kept beside the listing's sync token. Plain
// functions.
//
// Only a server known to change that date with every item written or
// removed is asked: Radicale, whose tokens begin with its own address and
// whose calendar date is the newest of its files. Its date counts whole
// seconds, so a date is kept only when the server's clock at the answer
// was already two seconds past it: a change after the answer then bears a
// later date.
#pragma once

#include <QString>

// Whether the calendar behind this token is asked for its date.
bool StampWorthAsking(const QString& token);

// The date to keep with the listing that follows the question; empty
// (ask for a listing next time) when the answer was too close to it or
// either cannot be read. Both in the form of HTTP dates.
QString StampToKeep(const QString& modified, const QString& serverTime);

// Whether the calendar has to be listed: no token, no date kept or told,
// or a date other than the one kept.
bool ListingNeeded(const QString& token, const QString& kept, const QString& modified);
