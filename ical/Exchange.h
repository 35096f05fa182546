// Export and import of calendar files on the data module's tables: what
// the commands of the windows do, without the windows.
#pragma once

#include <QByteArray>
#include <QString>

#include "ical/ImportPlan.h"

class TDM;
class TOwnTables;

// An iCalendar file of every task and event of the tables.
QByteArray ExportTables(TDM& dm, const QString& identity, int notifyDays, TDateTime notifyTime,
                        qint64 stampSecs);

// Writes `bytes` to `path` through a temporary file in the same folder that
// is then renamed over it, so that a failure leaves the old file whole;
// the file can be read and written by its owner alone. Throws EQuillet.
void SaveFileAtomically(const QString& path, const QByteArray& bytes);

// The records of a file: a vCard file's birthdays and anniversaries, or an
// iCalendar file's events and tasks. Throws EQuillet naming the line of a
// file it cannot read.
FileItems ReadRecordsFile(const QByteArray& bytes);

// What the database holds already: the keys of earlier imports and the
// rows of the tables.
KnownRecords KnownRecordsOf(TDM& dm, TOwnTables& own);

// The import after the user's yes: numbers for the new rows, their keys
// remembered (in one transaction: when that fails, nothing has changed),
// the rows added to the tables (AddImport); then the tables sent
// (ApplyTable), which keeps whatever the database does not take to send it
// again.
void AddImport(TDM& dm, TOwnTables& own, const ImportPlan& plan);
void ApplyImport(TDM& dm, TOwnTables& own, const ImportPlan& plan);
