// The task editor's fields as plain values, and what "Ok" writes of them.
#pragma once

#include <QString>

#include "core/DateTime.h"

class TMemTable;

// What the task editor shows: the reminder with its moment (as the pickers
// give it back), the texts and the done mark.
struct TaskFields {
    bool needAlert = false;
    TDateTime moment = 0;
    QString caption, category, details;
    bool executed = false;
};

// Writes `now` into the row of `cdsTask` being appended or edited, in the
// order NEEDALERT, DATETIME, CAPTION, CATEGORY, DETAILS, EXECUTED, NOTIFIED.
// A new task (`opened` null) gets every column; a stored one only the
// fields changed since the editor opened on it (`opened`), so that "Ok" on
// an unchanged task changes nothing stored. A task without a reminder has
// no date at all (0); one whose reminder stayed off keeps its date as it
// is. NOTIFIED is cleared at every save.
void WriteTaskFields(TMemTable& cdsTask, const TaskFields& now, const TaskFields* opened);
