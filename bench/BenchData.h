// Tables of a realistic shape for the benchmarks.
#pragma once

#include <vector>

#include <memory>

#include "core/DateTime.h"
#include "data/DataModule.h"

class TfrmMain;

// Rows in the column order of TASK and BIRTH: a mix of done, raised,
// pending and undated tasks around `now`, none of them due at `now`; events
// spread over the year, all announced or outside their lead time.
std::vector<std::vector<Value>> BenchTaskRows(int count, TDateTime now);
std::vector<std::vector<Value>> BenchBirthRows(int count, TDateTime now);
std::vector<FieldDef> BenchTaskFields();
std::vector<FieldDef> BenchBirthFields();

// Appends the rows to the tables of `dm`, as new rows to be sent.
void AppendBenchRows(TMemTable& table, const std::vector<std::vector<Value>>& rows);

// A data module connected to a database of its own whose task and event
// tables are then filled in memory only, as after loading.
void LoadBenchTablesInMemory(TDM& dm, int tasks, int events, TDateTime now);

// A program for the benchmarks: the clock frozen at `now`, a data module
// with the tables in memory and a main window, both set as the program's
// own until it goes.
class BenchProgram {
  public:
    BenchProgram(int tasks, int events, TDateTime now);
    ~BenchProgram();
    TDM dm;
    std::unique_ptr<TfrmMain> window;
};

// Stores `count` tasks of BenchTaskRows in the database of `dm` (connected,
// tables open), numbered by the database; the rows are put in in order of
// their moments, so each lands at the table's end.
void StoreBenchTasks(TDM& dm, int count, TDateTime now);

// Writes `rows` (whole rows of `dm`'s task table, in its column order)
// into the database again, as they were before they were deleted.
void RestoreTaskRows(TDM& dm, const std::vector<std::vector<Value>>& rows);
