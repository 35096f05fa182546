// Filling the task list from the task table.
#pragma once

#include <QString>
#include <vector>

#include "core/DateTime.h"

class TMemTable;

// One row of the task list: the task's ID and the texts and picture
// computed when the list was filled.
struct TaskRow {
    int id = 0;
    QString date, time, caption, category, done;
    int icon = 0;  // 0 bell, 1 dial, 2 overdue (no picture)
};

// "<Пн>" .. "<Вс>" for the weekday of `date`.
QString WeekDayTag(TDateTime date);

// One row of the list from row `row` of the task table, as of `now`.
void FillTaskItem(TaskRow& item, const TMemTable& cdsTask, int row, TDateTime now);

// Walks the task table from its first row to its end (leaving it past the
// last row) and returns the list rows; `position` receives the position of
// the row whose ID is `selectId`, 0 when none has it.
std::vector<TaskRow> BuildTaskRows(TMemTable& cdsTask, int selectId, int& position);
