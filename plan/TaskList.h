// Filling the task list from the task table.
#pragma once

#include <QString>
#include <vector>

#include "core/DateTime.h"

class TMemTable;

// One row of the task list: the task's ID and what it shows, taken when the
// list was filled. The texts of the date and time columns follow from the
// moment alone (TaskDateText, TaskTimeText) and are made when shown.
struct TaskRow {  // 64 bytes: the list of 100,000 tasks holds one each
    int id = 0;
    qint16 icon = 0;     // 0 bell, 1 dial, 2 overdue (no picture)
    bool done = false;   // "<да>" rather than "<нет>"
    TDateTime when = 0;  // 0: no date ("<нет>")
    QString caption, category;
};

// "<Пн>" .. "<Вс>" for the weekday of `date`.
QString WeekDayTag(TDateTime date);

// The texts of the date, time and done columns of a row.
QString TaskDateText(TDateTime when);  // "08.12.2026 <Вт>", "<нет>" for 0
QString TaskTimeText(TDateTime when);  // "14:05", "<нет>" for 0
QString TaskDoneText(bool done);       // "<да>" or "<нет>"

// One row of the list from row `row` of the task table, as of `now`.
void FillTaskItem(TaskRow& item, const TMemTable& cdsTask, int row, TDateTime now);

// Walks the task table from its first row to its end (leaving it past the
// last row) and returns the list rows; `position` receives the position of
// the row whose ID is `selectId`, 0 when none has it.
std::vector<TaskRow> BuildTaskRows(TMemTable& cdsTask, int selectId, int& position);
// The same into `rows`, the rows of an earlier fill, overwritten where they lie.
void BuildTaskRows(TMemTable& cdsTask, int selectId, int& position, std::vector<TaskRow>& rows);
