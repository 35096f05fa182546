#include "remind/Scheduler.h"

#include <QPlainTextEdit>
#include <memory>

#include "core/EventDates.h"
#include "data/DataModule.h"
#include "plan/TaskPlan.h"
#include "platform/ErrorReport.h"
#include "platform/Modal.h"
#include "platform/WindowPlace.h"
#include "remind/BirthNotify.h"
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

qint64 msOfDay(TDateTime dt) {
    qint64 days, ms;
    SplitDateTime(dt, days, ms);
    return ms;
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
    const int cId = t.FieldIndex(QStringLiteral("ID"));
    const int cAlert = t.FieldIndex(QStringLiteral("NEEDALERT"));
    const int cNotified = t.FieldIndex(QStringLiteral("NOTIFIED"));
    const int cDone = t.FieldIndex(QStringLiteral("EXECUTED"));
    const int cWhen = t.FieldIndex(QStringLiteral("DATETIME"));
    if (cId < 0 || cAlert < 0 || cNotified < 0 || cDone < 0 || cWhen < 0)
        throw EQuillet(QStringLiteral("В таблице TASK нет нужных столбцов"));

    const TDateTime now = Now();
    const int count = t.RecordCount();
    int due = -1;
    for (int row = 0; row < count; ++row) {
        if (!t.Cell(row, cAlert).toFlag() || t.Cell(row, cNotified).toFlag() ||
            t.Cell(row, cDone).toFlag())
            continue;
        const Value& when = t.Cell(row, cWhen);
        if (now >= when.toFloat()) {
            due = row;
            break;
        }
        // The table is in ascending order of the moment: every later row
        // is due later still.
        if (!when.isNull()) break;
    }
    if (due < 0) return;

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
    const int cDate = b.FieldIndex(QStringLiteral("DATE"));
    const int cNotified = b.FieldIndex(QStringLiteral("NOTIFIED"));
    if (cDate < 0 || cNotified < 0)
        throw EQuillet(QStringLiteral("В таблице BIRTH нет нужных столбцов"));
    // The present moment, read again after every notice window (which may
    // stay open past midnight).
    TDateTime today = 0;
    int year = 0;
    bool afterNoticeTime = false;
    auto readClock = [&] {
        const TDateTime now = Now();
        today = DateOf(now);
        year = YearOf(today);
        afterNoticeTime = msOfDay(now) >= msOfDay(NotifyTime);
    };
    readClock();

    for (int row = 0; row < b.RecordCount(); ++row) {
        // Before the notice time of the day nothing is announced.
        if (!afterNoticeTime) return;
        if (b.Cell(row, cNotified).toFlag()) continue;
        const double lead = EventDayInYear(b.Cell(row, cDate).toFloat(), year) - today;
        if (!(lead < NotifyDays)) continue;

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
        entry.Pop();
        window.reset();
        readClock();
    }
}
