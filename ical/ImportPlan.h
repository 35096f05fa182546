// What an import adds, decided before anything changes: the records of a
// file that are not there yet, their texts fitted to Windows-1251, their
// states set so that nothing past is announced at once, and the counts the
// user is told.
#pragma once

#include <QSet>
#include <vector>

#include "core/DateTime.h"
#include "ical/CalendarItems.h"
#include "vcard/VCardReader.h"

struct ImportPlan {
    std::vector<TaskItem> tasks;
    std::vector<EventItem> events;
    // The keys remembered for them: one per task, then one per event.
    std::vector<quint64> keys;
    int alreadyThere = 0;  // imported before, rows of this database, twice in the file
    int withoutDate = 0;
    int otherRecords = 0;
    int textsChanged = 0;  // records with characters Windows-1251 has not
};

// What the database holds already.
struct KnownRecords {
    QSet<quint64> importedKeys;   // keys of records imported before
    QString identity;             // the database's, in the UIDs of its exports
    QSet<int> taskIds, eventIds;  // rows in the tables now
};

// The key by which an imported record is known again: a digest of its UID
// (64 bits of its SHA-1), or of its content when it has no UID.
quint64 ImportKey(const TaskItem& t);
quint64 ImportKey(const EventItem& e);

// The events of contacts: a birthday ("<День рождения>") and an
// anniversary ("<Радостное событие>") each, named after the contact; a
// date without a year gets YearUnknown.
FileItems ContactEvents(const std::vector<VCardContact>& contacts);

// The file's records less those that are there. Tasks whose reminder lies
// before `now` count as reminded, events whose day has passed this year as
// announced: an import raises no window for what is past.
ImportPlan PlanImport(const FileItems& file, const KnownRecords& known, TDateTime now);

// "Добавлено: 12 заданий, 40 событий; пропущено: 3 — уже есть, 160 — без
// даты." (with `done` false: "Будет добавлено: ..."), and, when texts were
// changed, a second line that says so.
QString ImportSummary(const ImportPlan& plan, bool done);

// The rows of the preview, tasks first: what, name, date, category, state.
std::vector<QStringList> PlanRows(const ImportPlan& plan);
