#include "app/Forms.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/About.h"
#include "app/ImportCheck.h"
#include "app/Main.h"
#include "app/SyncSetup.h"
#include "calendar/BirthAdd.h"
#include "calendar/BirthAll.h"
#include "calendar/BirthLegend.h"
#include "calendar/NewYear.h"
#include "core/Log.h"
#include "data/DataModule.h"
#include "plan/NewTask.h"
#include "platform/ErrorReport.h"
#include "platform/Modal.h"
#include "platform/ProcessMemory.h"
#include "platform/WindowPlace.h"
#include "remind/RemindAfter.h"
#include "remind/RemindIn.h"
#include "settings/Options.h"
#include "settings/Settings.h"

QIcon ProgramIcon() {
    InitAssets();
    QIcon icon;
    // Up to 64 pixels: every window carries its icon in all its sizes to
    // the window manager at each mapping (the two large ones would be
    // 350 KB); larger pictures come from the launcher entry's icon.
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icon_tray_%1.png").arg(size), QSize(size, size));
    return icon;
}

namespace {

TDM::StartSteps startSteps() {
    TDM::StartSteps s;
    s.connectFailed = [](const QString& message) {
        frmMain->TablesReady();  // no longer "loading" behind the message
        MessageBox(message, QStringLiteral("Quillet"), QMessageBox::Ok);
    };
    s.databaseInUse = [](const QString& message) {
        std::fputs((message + u'\n').toLocal8Bit().constData(), stderr);
        WriteLog(message);
        frmMain->TablesReady();
        MessageBox(message, QStringLiteral("Quillet"), QMessageBox::Ok, QMessageBox::Critical);
        EndProgramQuietly();
    };
    s.tablesReady = [] { frmMain->TablesReady(); };
    s.loadSettings = [] { frmOptions->FormShow(); };
    s.startReminderTimer = [] {
        SetTimerPeriod(frmMain->TimerNotify, CheckPeriodMs);
        if (CheckPeriodMs > 0) frmMain->TimerNotify->start();
    };
    s.newYearCheck = [] {
        NewYearRollover(*DM, [](int year) {
            return MessageBox(NewYearQuestion(year), QStringLiteral("Новый год"),
                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        });
    };
    s.importCheck = [] { ImportCheck(*DM); };
    return s;
}

}  // namespace

namespace {
// The data module from the start of its loading until the windows before it
// in the order of creation are made.
std::unique_ptr<TDM> startingDm;
}  // namespace

void CreateWindows() {
    // The data module attaches and reads its tables on a thread of its own
    // while the windows are made; its start sequence waits for that.
    startingDm = std::make_unique<TDM>();
    startingDm->BeginStart();
    frmMain = new TfrmMain;
    frmMain->ShowLoading();  // until the tables are read and the journal replayed
}

namespace {

// The rest of the windows, then the data module.
void createDialogs() {
    frmNewTask = new TfrmNewTask(frmMain);
    frmAbout = new TfrmAbout(frmMain);
    frmOptions = new TfrmOptions(frmMain);
    frmOptions->ReminderTimer = frmMain->TimerNotify;
    frmBirthAdd = new TfrmBirthAdd(frmMain);
    frmBirthAll = new TfrmBirthAll(frmMain);
    frmBirthLegend = new TfrmBirthLegend(frmMain);
    DM = startingDm.release();
    // The journal keeps what was not sent; the user is told in the status
    // bar, never by a box that would take the keys being typed.
    DM->onSendFailed = [](const QString& message) {
        if (frmMain) frmMain->ShowUnsent(message);
    };
    DM->onSendProgress = [](int done, int total) {
        if (frmMain) frmMain->ShowSendProgress(done, total);
    };
}

}  // namespace

namespace {

// Runs the event loop until `done` says so, polling every `pollMs`: windows
// paint and timers run, while what the user types or clicks stays queued
// for after the start. A request to end leaves the loop as well.
void waitExcludingInput(int pollMs, const std::function<bool()>& done) {
    if (done()) return;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(pollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// A window just shown is put on the screen before the rest of the start
// takes the processor from the display and the window manager (at most
// 100 ms).
void awaitShown() {
    QWindow* window = frmMain->windowHandle();
    if (!frmMain->isVisible() || !window) return;
    QElapsedTimer waited;
    waited.start();
    waitExcludingInput(1, [&] { return window->isExposed() || waited.elapsed() >= 100; });
}

// Waits for the data module's thread while a window shown early paints and
// its clock runs.
void awaitTables() {
    waitExcludingInput(5, [] { return DM->StartLoaded(); });
}

}  // namespace

void CompleteStart() {
    awaitShown();
    createDialogs();
    awaitTables();
    if (ProgramEnding()) {
        // Nothing is asked on the way out; the tables are still taken in,
        // so that the end sends what the journal kept.
        Guarded([] { DM->DataModuleCreate({}); });
        frmMain->TablesReady();
        return;
    }
    // An error after the connection ends the start sequence where it
    // arose; start-up goes on with what was done.
    Guarded([] { DM->DataModuleCreate(startSteps()); });
    frmMain->TablesReady();  // also after a failed connection: the window is usable
    ReturnFreedMemory();
    // After the start's questions: the first round brings in what changed
    // elsewhere.
    Guarded([] { StartSync(); });
    frmRemindAfter = new TfrmRemindAfter(frmMain);
    frmRemindIn = new TfrmRemindIn(frmMain);
}

void CreateForms() {
    CreateWindows();
    CompleteStart();
}

namespace {
// The end was asked for by the system (a signal, the session's end): no
// question is asked then, as nobody may be there to answer it.
bool quietEnd = false;
}  // namespace

QString ExitQuestionTail(const QString& journalPath, const QString& journalProblem) {
    if (journalProblem.isEmpty() && !journalPath.isEmpty())
        return QStringLiteral(
                   "Повторить попытку? Если нет, они останутся в журнале «%1» и "
                   "будут отправлены при следующем запуске программы.")
            .arg(journalPath);
    return QStringLiteral(
               "Записать их в журнал не удалось (%1).\n\nПовторить попытку? Если нет, "
               "эти изменения будут потеряны.")
        .arg(journalProblem.isEmpty() ? QStringLiteral("журнал негде вести") : journalProblem);
}

void EndProgramQuietly() {
    quietEnd = true;
    EndProgram();
}

void DestroyForms() {
    if (frmMain) frmMain->TimerNotify->stop();
    StopSync();

    // What the windows still hold is stored here, before the last send and
    // before the tables close: what was typed on the notes page since its
    // last store.
    if (frmMain) Guarded([] { frmMain->StoreNotesAtEnd(); });

    // Changes the database has not taken get a last chance. What still does
    // not go stays in the journal and goes at the next start; at the
    // user's own exit the user may try again first.
    if (DM && DM->IsConnected() && DM->HasUnsentChanges() && !(quietEnd && DM->ServerAway())) {
        while (!DM->SendPending() && !quietEnd) {
            const auto answer = MessageBox(
                QStringLiteral("Не все изменения удалось сохранить в базе данных.\n\n%1\n\n")
                        .arg(DM->LastFailureText()) +
                    ExitQuestionTail(DM->Journal().Path(), DM->JournalProblem()),
                QStringLiteral("Quillet"), QMessageBox::Retry | QMessageBox::Close,
                QMessageBox::Warning);
            if (answer != QMessageBox::Retry) break;
        }
    }
    delete frmRemindIn;
    frmRemindIn = nullptr;
    delete frmRemindAfter;
    frmRemindAfter = nullptr;
    delete frmMain;  // removes the tray icon and closes the tables
    frmMain = nullptr;
    frmRemindAfter = nullptr;
    frmNewTask = nullptr;  // children of the main window
    frmAbout = nullptr;
    frmOptions = nullptr;
    frmBirthAdd = nullptr;
    frmBirthAll = nullptr;
    frmBirthLegend = nullptr;
    delete DM;
    DM = nullptr;
    quietEnd = false;
}
