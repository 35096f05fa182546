// Many new rows going to an empty calendar in one request (the whole
// calendar written at once) instead of one request each: when to, the
// text sent, and what to make of the answer. Plain functions.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "caldav/CalDavClient.h"
#include "sync/SyncTypes.h"

// Fewer rows go one by one: one request each costs less than the listing
// that follows a whole upload.
constexpr size_t kWholeUploadMin = 50;

// Whether a server that names a stored item after its UID keeps it at the
// address ItemHref gives: letters, digits, '-', '_', '.', '@', not first
// a '.'.
bool PlainUid(const QString& uid);

// Whether the new rows for a calendar go as one whole calendar: the round
// listed it whole and found it empty, there are at least kWholeUploadMin,
// and each UID is plain.
bool WholeUploadFits(bool listedWhole, size_t listedItems, const QStringList& uids);

// One VCALENDAR holding the components of `items` (each a VCALENDAR): the
// calendar's own lines of the first, each time zone once, every other
// component; named `name` (X-WR-CALNAME) when given.
QByteArray JoinCalendar(const std::vector<QByteArray>& items, const QString& name);

// The silence the whole upload of `items` and the listing after it wait
// out, at the least `timeoutMs`: a server may work on each item stored
// before it answers (Radicale takes a few milliseconds each).
int WholeUploadTimeoutMs(size_t items, int timeoutMs);

enum class WholeStep : uint8_t {
    Done,      // stored: read the addresses from a listing
    OneByOne,  // refused, or the calendar changed meanwhile: send each item
    Stop,      // nothing else would go through now
};
WholeStep WholeStepOf(const CalDavResult& result);

// Settles the links of the rows uploaded whole by the listing that
// followed: a link whose address is listed takes the tag and is in step.
// Returns the listed addresses that belong to none of them (put there
// meanwhile by someone else).
QStringList SettleUploaded(std::vector<SyncLink>& links, const std::vector<CalDavItem>& listed);
