// The journal of unsent changes brought back into the in-memory tables at
// the start, before it is sent again. A replay never writes over a row the
// program did not write: a row the database holds under a journalled
// number is ours only when its columns are as the journal left them (those
// the journalled edit changed aside); otherwise our row goes in as a new
// one, with a number of its own.
#pragma once

#include <QStringList>
#include <functional>
#include <vector>

#include "data/Journal.h"
#include "data/MemTable.h"

// The journal row's values are those of row `row` of `t`, the columns in
// `skip` aside: texts as the database keeps them (cut to their column,
// without trailing blanks, none as empty), moments to a fraction of a
// millisecond.
bool SameStoredRow(const TMemTable& t, int row, const JournalRow& r, const QStringList& skip);

// Applies the journal rows of one table in their order: a delete removes
// the row if it is there; a new row the table lacks is added; one the
// table holds unchanged is already stored; an edit of our row sets the
// changed columns, and an edit whose row is gone writes the row again. A
// row whose number another row holds goes in as new with the key
// `newKey` gives. Returns how many journal rows were applied.
int ApplyJournalRows(TMemTable& t, const std::vector<const JournalRow*>& rows,
                     const std::function<Value()>& newKey);
