// The import of the previous version's data files, found beside the
// program: Tasks.dat (tasks), Notes.dat (the notes page) and Birth.dat
// (calendar events). The files themselves are only read, never changed.
#pragma once

#include <QString>
#include <functional>

class TDM;

struct TOldFilePaths {
    QString tasks, notes, birth;
};
// Set by InitOldFilePaths at every start.
extern TOldFilePaths OldFilePaths;

// The three paths in the folder of the program at `exePath`.
void InitOldFilePaths(const QString& exePath);
// True when at least one of the three files is there.
bool OldFilesExist();

enum class ImportStage { Tasks, Notes, Events };
// Told now and then how far the import has come: `done` of `total` rows
// (tasks, the notes page, events). Called only between rows, with every
// table in browse mode, so it may let the event loop run.
using ImportProgress = std::function<void(ImportStage stage, int done, int total)>;

// The whole import into the tables of `dm`, each table sent once:
// the tasks, the notes page (replacing the one there), the events. All
// three files are read whole before the first row is made; a file that is
// there but cannot be read ends the import with an EQuillet naming it, and
// nothing has been imported. Missing files (and folders under their names)
// are skipped. What is imported is recorded in the database with the rows
// (QUILLET_IMPORTED): however an import is cut short, a later one brings in
// only the records that did not arrive, never one twice.
void ImportOldData(TDM& dm, const ImportProgress& progress = {});
// True when the files hold records and the database records all of them
// as imported; false also when that cannot be told.
bool OldDataImported(TDM& dm);
