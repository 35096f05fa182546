// Export and import of calendar files on the data module's tables: what
// the commands of the windows do, without the windows.
#pragma once

#include <QByteArray>
#include <QString>

#include "core/DateTime.h"
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

// The import after the user's yes: numbers for the new rows from the
// server (without it, EQuillet and nothing changed), their keys remembered
// unconfirmed with the rows' numbers (in one transaction: when that fails,
// nothing has changed), the rows added to the tables (AddImport, which
// returns the token of the keys); then the tables sent (ApplyTable), which
// journals whatever the database does not take, and the keys confirmed.
// Cut short anywhere, the next import of the file adds what is missing
// and nothing twice.
qint64 AddImport(TDM& dm, TOwnTables& own, const ImportPlan& plan);
void ApplyImport(TDM& dm, TOwnTables& own, const ImportPlan& plan);
