// What a sync round works on: the rows of the tables as they are here, and
// the links that tie each row to an item of a calendar on the server.
#pragma once

#include <QString>
#include <QtGlobal>
#include <cstdint>

enum class ItemKind : uint8_t { Task = 0, Event = 1 };

// A row of the tables now: its number and the hash of what it holds.
struct LocalEntry {
    ItemKind kind = ItemKind::Task;
    int id = 0;
    quint64 hash = 0;
};

// A row tied to an item of the server, as of the last round that settled
// it. A change under way (a pull not yet in the tables, a push whose answer
// was not yet stored) is kept beside, so that a round cut short anywhere is
// finished, not repeated, by the next one.
struct SyncLink {
    enum class Pending : uint8_t { None = 0, Pull = 1, Push = 2 };

    ItemKind kind = ItemKind::Task;
    int id = 0;
    QString uid;
    QString href;
    QString etag;      // empty: the item never answered as stored there
    quint64 hash = 0;  // of the row as it was when last in step with the server
    Pending pending = Pending::None;
    QString pendEtag;      // a pull: the tag of the item being put into the row
    quint64 pendHash = 0;  // the hash of the row once the change is through

    bool operator==(const SyncLink&) const = default;
};
