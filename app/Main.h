// The main window: menus, the three pages (plan, notes, calendar), the
// status bar clock, the tray icon and the two timers. Closing or
// minimising it only hides it; the program goes on in the tray.
#pragma once

#include <QMainWindow>
#include <QSystemTrayIcon>

class DesktopNotifier;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollArea;
class QTabWidget;
class QTableView;
class QTimer;
class TaskListModel;
class TCalendarPage;
class TIcalCommands;
class TNotesEditor;
class TrayIcon;
class TTaskPlan;

class TfrmMain : public QMainWindow {
    Q_OBJECT
  public:
    explicit TfrmMain(QWidget* parent = nullptr);  // the creation steps
    ~TfrmMain() override;                          // FormDestroy

    // ---- Controls
    QTabWidget* PageControl = nullptr;
    QWidget* tshPlan = nullptr;
    QWidget* tshNotes = nullptr;
    QWidget* tshBirth = nullptr;
    TTaskPlan* Plan = nullptr;          // the task list and the task commands
    QTableView* ListView = nullptr;     // the plan's list
    TaskListModel* TaskList = nullptr;  // the rows of ListView
    TNotesEditor* reNotes = nullptr;
    TCalendarPage* Calendar = nullptr;  // the calendar and its commands
    QScrollArea* ScrollBox1 = nullptr;
    QWidget* PB = nullptr;  // the calendar surface
    QLineEdit* edControlCalendarPB = nullptr;
    QLabel* StatusClock = nullptr;  // first status bar panel
    QLabel* StatusSecond = nullptr;
    QLabel* StatusUnsent = nullptr;  // changes the database has not taken yet
    QLabel* StatusSync = nullptr;    // why the last sync with the calendar server failed
    ::TrayIcon* TrayIcon = nullptr;
    QMenu* popmTray = nullptr;
    QMenu* popmPlan = nullptr;
    QMenu* popmBirth = nullptr;
    QMenu* mnuPlan = nullptr;
    QMenu* mnuOptions = nullptr;
    QMenu* mnuHelp = nullptr;
    QTimer* TimerSystem = nullptr;
    QTimer* TimerNotify = nullptr;

    // ---- Commands
    QAction* acTaskAdd = nullptr;
    QAction* acTaskEdit = nullptr;
    QAction* acTaskDelete = nullptr;
    QAction* acTaskSelectAll = nullptr;
    QAction* acClosePlanWindow = nullptr;
    QAction* acShutDown = nullptr;
    QAction* acOptions = nullptr;
    QAction* acAbout = nullptr;
    QAction* acRestorePlanWindow = nullptr;
    QAction* acTaskNew = nullptr;
    QAction* acCalendarOpen = nullptr;
    QAction* acCalendarOpenAll = nullptr;
    QAction* acCalendarAdd = nullptr;
    QAction* acCalendarLegend = nullptr;
    QAction* acCalendarOptions = nullptr;
    QAction* acIcalExport = nullptr;
    QAction* acIcalImport = nullptr;

    TIcalCommands* Ical = nullptr;        // export and import of calendar files
    DesktopNotifier* Notifier = nullptr;  // notifications beside the reminders

    bool NotesLoaded = false;

    // ---- Handlers
    void FormShow();  // the first-show steps, once per run
    void FormDestroy();
    void OnRunMessage(quint32 message, quint32 wParam, quint32 lParam);  // the close request
    void TrayIconNotify(QSystemTrayIcon::ActivationReason reason);
    void TimerSystemTimer();
    void TimerNotifyTimer();
    void ShutDown();
    void RestorePlanWindow();
    void ClosePlanWindow();
    void PageControlChange();
    void ChangeOptions();
    void acCalendarOptionsExecute();
    void ShowAbout();
    void SaveWindowPlacement();
    void LoadWindowPlacement();
    // Shows the window at the start of the message loop, unless started
    // hidden (then only the tray icon is there, or, with no tray, the
    // window starts minimised).
    void ShowAtStart(bool hidden);
    // A tray has come up or gone: the window that stood in for it goes to
    // it, and a hidden window comes back (minimised) when it goes.
    void TrayPresenceChanged(bool present);
    // Tests decide whether a tray exists; otherwise the desktop tells.
    static int ForceTray;  // -1 ask the desktop, 0 none, 1 present

    // Changes the database did not take: one quiet line in the status bar
    // (the whole `message` as its tooltip) until they are sent; no window
    // takes the focus from what the user is typing.
    void ShowUnsent(const QString& message);
    // How far a long send has got (done == total: it is over). The window
    // takes no events meanwhile: the panel and the clock are painted at once.
    void ShowSendProgress(int done, int total);
    // While the tables are still being read (the window may already be on
    // the screen): the list stays empty, the status bar says so, and no
    // command that needs the tables can be given from the tray. TablesReady
    // ends this and fills the list if the window has been shown.
    void ShowLoading();
    void TablesReady();
    bool Loading() const { return loading_; }

    // ---- The notes page
    void LoadNotes();
    void SaveNotes();
    void reNotesTypingPaused();  // stores what was typed
    // At the end of the program, and when the desktop session ends:
    // stores the notes if they were changed since the last store.
    void StoreNotesAtEnd();

    bool FirstShowDone() const { return firstShowDone_; }
    // Whether windows hide to the tray, or minimise where there is none.
    bool HidesToTray() const;

  protected:
    void closeEvent(QCloseEvent* event) override;  // FormClose
    void changeEvent(QEvent* event) override;      // minimising
    void showEvent(QShowEvent* event) override;

  private:
    void CreateActions();
    void CreateMenus();
    void CreatePages();
    void FormClose();
    void RunTick();  // one tick of the reminder timer, errors reported

    bool firstShowDone_ = false;
    bool standsInForTray_ = false;  // minimised where there was no tray
    bool restoringState_ = false;
    bool tickPosted_ = false;     // a tick's check waits in the event queue
    bool tickReporting_ = false;  // a tick's error is on the screen
    bool sendShown_ = false;      // the unsent panel shows a send's progress
    QString shownUnsent_;         // and held this text before
    bool loading_ = false;        // shown before the tables were read
};

extern TfrmMain* frmMain;
