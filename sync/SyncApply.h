// The windows' side of a sync round: the rows taken for it, and its result
// put into the tables through the data module as an edit in the windows
// would (changed rows posted, the tables sent). Bounded work on the
// windows' thread: no network, no parsing.
#pragma once

#include <QHash>

#include "sync/SyncRound.h"

class TDM;

// Numbered rows of the task and event tables.
SyncSnapshot TakeSnapshot(TDM& dm, const ExportSettings& settings);

// Applies the changes, skipping a row changed or deleted since the
// snapshot (its hash is no longer the expected one: the next round meets
// the edit), then sends both tables. Returns the hash of each row changed
// or added as stored, and 0 for each row deleted, by SyncRound::RowKey.
QHash<quint64, quint64> ApplyRound(TDM& dm, const std::vector<RowChange>& changes);
