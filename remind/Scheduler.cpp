#include "remind/Scheduler.h"

#include <QPlainTextEdit>
#include <memory>

#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/EventDates.h"
#include "core/Formats.h"
#include "data/DataModule.h"
#include "plan/TaskPlan.h"
#include "platform/ErrorReport.h"
#include "platform/Modal.h"
#include "platform/WindowPlace.h"
#include "remind/BirthNotify.h"
#include "remind/DueRules.h"
#include "remind/Notify.h"
#include "settings/Settings.h"

std::vector<QPointer<TfrmNotify>> NotifyWindows;
std::vector<QPointer<TfrmBirthNotify>> BirthNotifyWindows;

namespace {

bool soundFailureReported = false;

// Plays the chime of a reminder window. Without sound the reminder is
// shown all the same; the user hears of the failure once in a run.
template <typename Window>
void playAlarm(Window& w) {
    QString error;
    if (w.PlayAlarm(&error) || soundFailureReported) return;
    soundFailureReported = true;
    ShowErrorReport(QStringLiteral("Не удалось воспроизвести звук напоминания.\n\n%1").arg(error));
}

// Keeps a window on its stack while it is open; pops it however the
// window's turn ends.
template <typename Window>
class StackEntry {
  public:
    StackEntry(std::vector<QPointer<Window>>& stack, Window* w) : stack_(stack) {
        stack_.push_back(w);
    }
    ~StackEntry() { Pop(); }
    int Depth() const { return int(stack_.size()); }
    void Pop() {
        if (popped_) return;
        popped_ = true;
        stack_.pop_back();
    }

  private:
    std::vector<QPointer<Window>>& stack_;
    bool popped_ = false;
};

void writeMemo(QPlainTextEdit* memo, const QStringList& lines) {
    memo->clear();
    for (QString line : lines) {
        line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        memo->appendPlainText(line);
    }
}

// Places a reminder window at the centre of the screen, 20 pixels further
// right and down for each open window of its kind.
void placeByDepth(QDialog* w, int depth) {
    PlaceAtCentre(w, 20 * depth);
}

}  // namespace

void ResetSchedulerForTests() {
    soundFailureReported = false;
    NotifyWindows.clear();
    BirthNotifyWindows.clear();
}

void RunReminderCheck(TTaskPlan* plan) {
    if (!DM || !DM->IsConnected()) return;
    CheckTasks(plan);
    CheckEvents();
}

void CheckTasks(TTaskPlan* plan) {
    const int selected = plan ? plan->SelectedTaskId() : 0;
    TMemTable& t = DM->cdsTask;
    const int due = FindDueTask(t, Now());
    if (due < 0) return;

    const int cId = t.FieldIndex(QStringLiteral("ID"));
    const int id = int(t.Cell(due, cId).toInt());
    // Marked and stored before the window: no nested tick raises it again.
    t.SetRecNo(due);
    t.Edit();
    t.FieldByName(QStringLiteral("NOTIFIED")).SetBoolean(true);
    t.Post();
    // The text is taken while the row is still current: a refused send
    // shows a modal box, and a tick nested in it moves the current row.
    const TDateTime when = t.FieldByName(QStringLiteral("DATETIME")).AsDateTime();
    const QStringList lines{DateTimeToStr(when),
                            t.FieldByName(QStringLiteral("CAPTION")).AsString(),
                            t.FieldByName(QStringLiteral("CATEGORY")).AsString(),
                            t.FieldByName(QStringLiteral("DETAILS")).AsString()};
    DM->ApplyTable(t);

    auto window = std::make_unique<TfrmNotify>();
    StackEntry<TfrmNotify> entry(NotifyWindows, window.get());
    placeByDepth(window.get(), entry.Depth());
    writeMemo(window->Memo, lines);
    playAlarm(*window);
    const int result = ShowModal(window.get());
    const bool postponed = window->Postponed;
    const TDateTime postponeTo = window->PostponeTo;

    // Ticks inside the window may have moved the table: find the task again.
    if (t.Locate(id)) {
        t.Edit();
        t.FieldByName(QStringLiteral("EXECUTED")).SetBoolean(result == TfrmNotify::mrYes);
    }
    entry.Pop();
    if (t.GetState() == TMemTable::State::Edit) {
        if (postponed) {
            t.FieldByName(QStringLiteral("DATETIME")).SetDateTime(postponeTo);
            t.FieldByName(QStringLiteral("NOTIFIED")).SetBoolean(false);
        }
        t.Post();
        DM->ApplyTable(t);
    }
    window.reset();
    if (plan) plan->LoadTaskList(true, selected);
}

void CheckEvents() {
    TMemTable& b = DM->cdsBirth;
    // The clock is read again after every notice window, which may stay
    // open past midnight or past the notice time.
    for (int row = FindDueEvent(b, 0, Now(), NotifyDays, NotifyTime); row >= 0;
         row = FindDueEvent(b, row + 1, Now(), NotifyDays, NotifyTime)) {
        b.SetRecNo(row);
        b.Edit();
        b.FieldByName(QStringLiteral("NOTIFIED")).SetBoolean(true);
        b.Post();
        // Taken before the send, as for a task.
        const TDateTime date = b.FieldByName(QStringLiteral("DATE")).AsDateTime();
        const QStringList lines{
            EventKindName(int(b.FieldByName(QStringLiteral("VID")).AsInteger())),
            FormatShortDate(date), b.FieldByName(QStringLiteral("CAPTION")).AsString(),
            b.FieldByName(QStringLiteral("COMMENT")).AsString()};
        DM->ApplyTable(b);

        auto window = std::make_unique<TfrmBirthNotify>();
        StackEntry<TfrmBirthNotify> entry(BirthNotifyWindows, window.get());
        placeByDepth(window.get(), entry.Depth());
        writeMemo(window->Memo, lines);
        playAlarm(*window);
        ShowModal(window.get());
    }
}
