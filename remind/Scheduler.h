// The reminder check, run at every tick of the reminder timer: the first
// due task raises its reminder window and the answer is written back to
// it; then every event within its lead time raises its notice.
//
// The windows are modal and the timer keeps ticking inside them, so a tick
// can run inside another tick's window and open a further window on top.
// A reminder is marked as raised and stored before its window is shown,
// so no nested tick repeats it; across a window only the task's ID is kept.
#pragma once

#include <QPointer>
#include <vector>

class TfrmNotify;
class TfrmBirthNotify;
class TTaskPlan;

// Open reminder windows, the newest last; their depth places the next one.
extern std::vector<QPointer<TfrmNotify>> NotifyWindows;
extern std::vector<QPointer<TfrmBirthNotify>> BirthNotifyWindows;

// `plan` (may be null) keeps its selection across a task reminder.
void RunReminderCheck(TTaskPlan* plan);

// The task pass and the event pass of a tick.
void CheckTasks(TTaskPlan* plan);
void CheckEvents();

// A sound that cannot be played is reported once in a run; tests start anew.
void ResetSchedulerForTests();
