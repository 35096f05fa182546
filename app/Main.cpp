#include "app/Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QSessionManager>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "app/About.h"
#include "app/Forms.h"
#include "app/NotesEditor.h"
#include "app/Previnst.h"
#include "calendar/CalendarPage.h"
#include "calendar/CalendarRouts.h"
#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/Error.h"
#include "core/Formats.h"
#include "data/DataModule.h"
#include "data/Notes.h"
#include "ical/IcalCommands.h"
#include "plan/TaskListModel.h"
#include "plan/TaskPlan.h"
#include "platform/DesktopNotify.h"
#include "platform/ErrorReport.h"
#include "platform/Modal.h"
#include "platform/RunMessage.h"
#include "platform/TrayIcon.h"
#include "remind/Scheduler.h"
#include "settings/Options.h"
#include "settings/Settings.h"

TfrmMain* frmMain = nullptr;
int TfrmMain::ForceTray = -1;

namespace {

QString loadingText() {
    return QStringLiteral("Загрузка данных...");
}

// Rounds to the nearest integer, halves to even.
int roundHalfEven(double v) {
    return int(std::nearbyint(v));
}

QAction* action(QObject* parent, const char* name, const char* caption) {
    auto* a = new QAction(QString::fromUtf8(caption), parent);
    a->setObjectName(QLatin1String(name));
    return a;
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Quillet"));
    resize(730, 537);
    CreateActions();
    CreateMenus();
    CreatePages();

    StatusClock = new QLabel(this);
    StatusClock->setMinimumWidth(64);
    StatusSecond = new QLabel(this);
    StatusSecond->setMinimumWidth(50);
    StatusUnsent = new QLabel(this);
    StatusUnsent->setObjectName(QStringLiteral("StatusUnsent"));
    // A long line is cut at the window's edge; it never widens the window.
    StatusUnsent->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(StatusClock);
    statusBar()->addWidget(StatusSecond);
    StatusSync = new QLabel(this);
    StatusSync->setObjectName(QStringLiteral("StatusSync"));
    StatusSync->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(StatusUnsent, 1);
    statusBar()->addWidget(StatusSync, 1);

    TimerSystem = new QTimer(this);
    TimerSystem->setInterval(250);
    connect(TimerSystem, &QTimer::timeout, this, GUARDED(this, TimerSystemTimer));
    TimerNotify = new QTimer(this);        // switched on by the data module
    Notifier = new DesktopNotifier(this);  // beside each reminder window
    // Qt never delivers a timer's next timeout while the handler of the
    // previous one still runs, and a check that raises a reminder waits in
    // the window's modal loop until it closes. So each tick only posts its
    // check: while a window is open, the next ticks post theirs, which run
    // nested in that window's loop and may open further windows on top.
    connect(TimerNotify, &QTimer::timeout, this, [this] {
        if (tickPosted_) return;
        tickPosted_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                tickPosted_ = false;
                RunTick();
            },
            Qt::QueuedConnection);
    });

    // The close request of a later start arrives here.
    auto* receiver = new MessageReceiver(this);
    connect(receiver, &MessageReceiver::received, this,
            [this](quint32 m, quint32 w, quint32 l) { Guarded([&] { OnRunMessage(m, w, l); }); });
    receiver->Listen();

    // The creation steps.
    // The program's icon, read once: the application's own once it is set.
    const QIcon icon =
        QApplication::windowIcon().isNull() ? ProgramIcon() : QApplication::windowIcon();
    setWindowIcon(icon);
    TrayIcon = new ::TrayIcon(icon, QStringLiteral("Quillet"), popmTray, this);
    connect(TrayIcon, &::TrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) { Guarded([&] { TrayIconNotify(r); }); });
    connect(TrayIcon, &::TrayIcon::presentChanged, this, [this](bool present) {
        if (ForceTray < 0) Guarded([&] { TrayPresenceChanged(present); });
    });
    TrayIcon->Show();
    LoadWindowPlacement();
    TimerSystemTimer();
    TimerSystem->start();
    PB->setFixedSize(CalendarWidth, CalendarHeight);
}

TfrmMain::~TfrmMain() {
    FormDestroy();
}

void TfrmMain::CreateActions() {
    acTaskAdd = action(this, "acTaskAdd", "Новое задание...");
    acTaskEdit = action(this, "acTaskEdit", "Редактировать задание...");
    acTaskDelete = action(this, "acTaskDelete", "Удалить задания");
    acTaskSelectAll = action(this, "acTaskSelectAll", "Выбрать все");
    acClosePlanWindow = action(this, "acClosePlanWindow", "Закрыть окно");
    acShutDown = action(this, "acShutDown", "Выход из программы");
    acOptions = action(this, "acOptions", "Настройки...");
    acAbout = action(this, "acAbout", "О программе...");
    acRestorePlanWindow = action(this, "acRestorePlanWindow", "Открыть Quillet...");
    acTaskNew = action(this, "acTaskNew", "Новое задание...");
    acCalendarOpen = action(this, "acCalendarOpen", "Список событий за день");
    acCalendarOpenAll = action(this, "acCalendarOpenAll", "Список всех событий");
    acCalendarAdd = action(this, "acCalendarAdd", "Добавить событие...");
    acCalendarLegend = action(this, "acCalendarLegend", "Легенда");
    acCalendarOptions = action(this, "acCalendarOptions", "Настройки календаря...");
    acIcalExport = action(this, "acIcalExport", "Экспорт в iCalendar...");
    acIcalImport = action(this, "acIcalImport", "Импорт из iCalendar...");

    connect(acClosePlanWindow, &QAction::triggered, this, GUARDED(this, ClosePlanWindow));
    connect(acShutDown, &QAction::triggered, this, GUARDED(this, ShutDown));
    connect(acOptions, &QAction::triggered, this, GUARDED(this, ChangeOptions));
    connect(acAbout, &QAction::triggered, this, GUARDED(this, ShowAbout));
    connect(acRestorePlanWindow, &QAction::triggered, this, GUARDED(this, RestorePlanWindow));
    connect(acCalendarOptions, &QAction::triggered, this, GUARDED(this, acCalendarOptionsExecute));
}

void TfrmMain::CreateMenus() {
    mnuPlan = menuBar()->addMenu(QStringLiteral("План"));
    mnuPlan->addAction(acTaskAdd);
    mnuPlan->addAction(acTaskEdit);
    mnuPlan->addAction(acTaskDelete);
    mnuPlan->addSeparator();
    mnuPlan->addAction(acIcalExport);
    mnuPlan->addAction(acIcalImport);
    mnuPlan->addSeparator();
    mnuPlan->addAction(acClosePlanWindow);
    mnuPlan->addAction(acShutDown);
    mnuOptions = menuBar()->addMenu(QStringLiteral("Настройки"));
    mnuOptions->addAction(acOptions);
    mnuHelp = menuBar()->addMenu(QStringLiteral("Справка"));
    mnuHelp->addAction(acAbout);

    // The tray menu belongs to no window: a modal window must not block it.
    popmTray = new QMenu;
    popmTray->addAction(acRestorePlanWindow);
    popmTray->setDefaultAction(acRestorePlanWindow);  // shown bold
    popmTray->addSeparator();
    popmTray->addAction(acTaskNew);
    popmTray->addSeparator();
    popmTray->addAction(acShutDown);

    popmPlan = new QMenu(this);
    popmPlan->addAction(acTaskAdd);
    popmPlan->addAction(acTaskEdit);
    popmPlan->addAction(acTaskDelete);

    popmBirth = new QMenu(this);
    popmBirth->addAction(acCalendarOpen);
    popmBirth->setDefaultAction(acCalendarOpen);
    popmBirth->addAction(acCalendarOpenAll);
    popmBirth->addSeparator();
    popmBirth->addAction(acCalendarAdd);
    popmBirth->addSeparator();
    popmBirth->addAction(acIcalExport);
    popmBirth->addAction(acIcalImport);
    popmBirth->addSeparator();
    popmBirth->addAction(acCalendarLegend);
    popmBirth->addSeparator();
    popmBirth->addAction(acCalendarOptions);
}

void TfrmMain::CreatePages() {
    PageControl = new QTabWidget(this);
    PageControl->setTabPosition(QTabWidget::East);
    PageControl->tabBar()->setFocusPolicy(Qt::NoFocus);
    PageControl->setFocusPolicy(Qt::NoFocus);
    setCentralWidget(PageControl);

    tshPlan = new QWidget;
    Plan = new TTaskPlan(tshPlan, popmPlan);
    ListView = Plan->ListView;
    TaskList = Plan->TaskList;
    connect(acTaskAdd, &QAction::triggered, Plan, GUARDED(Plan, NewTask));
    connect(acTaskNew, &QAction::triggered, Plan, GUARDED(Plan, NewTask));
    connect(acTaskEdit, &QAction::triggered, Plan, GUARDED(Plan, EditTask));
    connect(acTaskDelete, &QAction::triggered, Plan, GUARDED(Plan, DeleteTasks));
    connect(acTaskSelectAll, &QAction::triggered, Plan, GUARDED(Plan, SelectAll));
    PageControl->addTab(tshPlan, QStringLiteral("План"));

    tshNotes = new QWidget;
    reNotes = new TNotesEditor(tshNotes);
    reNotes->setObjectName(QStringLiteral("reNotes"));
    connect(reNotes, &TNotesEditor::typingPaused, this, GUARDED(this, reNotesTypingPaused));
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { Guarded([this] { StoreNotesAtEnd(); }); });
    auto* notesLayout = new QVBoxLayout(tshNotes);
    notesLayout->setContentsMargins(0, 0, 0, 0);
    notesLayout->addWidget(reNotes);
    PageControl->addTab(tshNotes, QStringLiteral("Заметки"));

    tshBirth = new QWidget;
    Calendar = new TCalendarPage(tshBirth, popmBirth);
    ScrollBox1 = Calendar->ScrollBox1;
    PB = Calendar->PB;
    edControlCalendarPB = Calendar->edControlCalendarPB;
    connect(acCalendarOpen, &QAction::triggered, Calendar,
            GUARDED(Calendar, acCalendarOpenExecute));
    connect(acCalendarOpenAll, &QAction::triggered, Calendar,
            GUARDED(Calendar, acCalendarOpenAllExecute));
    connect(acCalendarAdd, &QAction::triggered, Calendar, GUARDED(Calendar, acCalendarAddExecute));
    connect(acCalendarLegend, &QAction::triggered, Calendar,
            GUARDED(Calendar, acCalendarLegendExecute));
    PageControl->addTab(tshBirth, QStringLiteral("Календарь"));

    Ical = new TIcalCommands(this);
    Ical->AfterImport = [this] {
        Plan->LoadTaskList(true, Plan->SelectedTaskId());
        Calendar->Repaint();
    };
    connect(acIcalExport, &QAction::triggered, Ical, GUARDED(Ical, ExportCalendar));
    connect(acIcalImport, &QAction::triggered, Ical, GUARDED(Ical, ImportCalendar));

    PageControl->setCurrentWidget(tshPlan);
    connect(PageControl, &QTabWidget::currentChanged, this, GUARDED(this, PageControlChange));
}

bool TfrmMain::HidesToTray() const {
    if (ForceTray >= 0) return ForceTray == 1;
    return TrayIcon && TrayIcon->Present();
}

void TfrmMain::ShowAtStart(bool hidden) {
    if (hidden) {
        // Without a notification area the program must stay reachable.
        if (!HidesToTray()) showMinimized();
        return;
    }
    if (windowState() & Qt::WindowMaximized)
        showMaximized();
    else
        show();
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!firstShowDone_) {
        firstShowDone_ = true;
        Guarded([&] { FormShow(); });
    }
}

void TfrmMain::FormShow() {
    CalendarYear = quint16(YearOf(Now()));
    SelectedDate = EncodeDate(CalendarYear, 1, 1);
    ShownYear = CalendarYear;
    NotesLoaded = false;
    {
        QSignalBlocker block(PageControl);
        PageControl->setCurrentWidget(tshPlan);
    }
    ListView->setFocus(Qt::OtherFocusReason);
    ListView->viewport()->update();
    edControlCalendarPB->setFixedWidth(0);
    if (!loading_) Plan->LoadTaskList(false, 0);
}

void TfrmMain::ShowLoading() {
    loading_ = true;
    acTaskNew->setEnabled(false);
    StatusUnsent->setText(loadingText());
    QApplication::setOverrideCursor(Qt::BusyCursor);
}

void TfrmMain::TablesReady() {
    if (!loading_) return;
    loading_ = false;
    QApplication::restoreOverrideCursor();
    acTaskNew->setEnabled(true);
    if (StatusUnsent->text() == loadingText()) StatusUnsent->clear();
    if (firstShowDone_) Plan->LoadTaskList(false, 0);
}

void TfrmMain::FormDestroy() {
    if (TrayIcon) {
        TrayIcon->Hide();
        delete TrayIcon;
        TrayIcon = nullptr;
    }
    delete popmTray;
    popmTray = nullptr;
    if (DM) DM->Close();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    event->ignore();
    Guarded([&] { FormClose(); });
}

void TfrmMain::FormClose() {
    SaveWindowPlacement();
    if (PageControl->currentWidget() == tshNotes) SaveNotes();
    if (HidesToTray())
        hide();
    else if (!isMinimized())
        showMinimized();
}

void TfrmMain::TrayPresenceChanged(bool present) {
    if (present) {
        // Minimised for want of a tray, and left so since: to the tray.
        if (standsInForTray_ && isMinimized()) hide();
    } else if (!isVisible()) {
        // Nothing else would lead back to the program.
        showMinimized();
    }
}

void TfrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    if (windowState() & Qt::WindowMinimized) {
        // Minimising hides the window to the tray, as closing does; with no
        // tray the minimised window stands in for it.
        if (!HidesToTray())
            standsInForTray_ = true;
        else if (isVisible())
            QTimer::singleShot(0, this, GUARDED(this, ClosePlanWindow));
    } else if (isVisible()) {
        standsInForTray_ = false;  // brought up by the user
    }
}

void TfrmMain::OnRunMessage(quint32 message, quint32 wParam, quint32) {
    if (IsCloseRequest(message, wParam)) ShutDown();
}

void TfrmMain::TrayIconNotify(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Context:
            break;  // the tray has opened its menu at the cursor
        case QSystemTrayIcon::Trigger:
            RestorePlanWindow();
            break;
        default:
            break;  // double clicks, the middle button: nothing
    }
}

void TfrmMain::TimerSystemTimer() {
    StatusClock->setText(u' ' + FormatLongTime(Now()));
    if (!loading_ && !StatusUnsent->text().isEmpty() && !(DM && DM->HasUnsentChanges())) {
        StatusUnsent->clear();
        StatusUnsent->setToolTip(QString());
    }
}

void TfrmMain::ShowUnsent(const QString& message) {
    // What happened and what becomes of the changes (the first and the last
    // paragraph); the server's own words are in the tooltip.
    const QString sep = QStringLiteral("\n\n");
    const QString first = message.section(sep, 0, 0), last = message.section(sep, -1);
    StatusUnsent->setText(first == last ? first : first + u' ' + last);
    StatusUnsent->setToolTip(message);
}

void TfrmMain::ShowSendProgress(int done, int total) {
    if (done >= total) {
        if (sendShown_) StatusUnsent->setText(shownUnsent_);
        sendShown_ = false;
        StatusUnsent->repaint();
        return;
    }
    if (!sendShown_) shownUnsent_ = StatusUnsent->text();
    StatusUnsent->setText(
        QStringLiteral("Сохранение в базе данных: %1 из %2").arg(done).arg(total));
    StatusClock->setText(u' ' + FormatLongTime(Now()));
    sendShown_ = true;
    StatusClock->repaint();
    StatusUnsent->repaint();
}

void TfrmMain::RunTick() {
    // While an error of an earlier tick is on the screen, ticks wait: an
    // error that repeats must not pile up boxes ten times a second.
    if (tickReporting_) return;
    try {
        TimerNotifyTimer();
    } catch (...) {
        tickReporting_ = true;
        ShowErrorReport(CurrentErrorText());
        tickReporting_ = false;
    }
}

void TfrmMain::TimerNotifyTimer() {
    RunReminderCheck(Plan, Notifier);
}

void TfrmMain::ShutDown() {
    EndProgram();
}

void TfrmMain::RestorePlanWindow() {
    // A window that was maximised when hidden comes back normal-sized.
    showNormal();
    activateWindow();
    raise();
    // A dialog or reminder that is open stays in front of the window: it
    // may have been minimised together with it.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal->isMinimized()) modal->showNormal();
        modal->raise();
        modal->activateWindow();
    }
    if (PageControl->currentWidget() == tshNotes) LoadNotes();
}

void TfrmMain::ClosePlanWindow() {
    if (isVisible() || isMinimized()) close();
}

void TfrmMain::PageControlChange() {
    if (!DM || !DM->IsConnected()) return;
    if (PageControl->currentWidget() == tshNotes) {
        LoadNotes();
        NotesLoaded = true;
    } else if (NotesLoaded) {
        SaveNotes();
        NotesLoaded = false;
    }
}

void TfrmMain::ChangeOptions() {
    ShowModal(frmOptions);
}

void TfrmMain::acCalendarOptionsExecute() {
    frmOptions->PageControl->setCurrentWidget(frmOptions->tshCalendar);
    ShowModal(frmOptions);
}

void TfrmMain::ShowAbout() {
    ShowModal(frmAbout);
}

void TfrmMain::LoadWindowPlacement() {
    const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size()
                                                          : QSize(1024, 768);
    const WindowPlacement defaults{
        roundHalfEven(0.15 * screen.width()), roundHalfEven(0.15 * screen.height()),
        roundHalfEven(0.7 * screen.width()), roundHalfEven(0.7 * screen.height()), false};
    const WindowPlacement p = ReadWindowPlacement(defaults);
    move(p.left, p.top);
    resize(p.width, p.height);
    setWindowState(p.maximized ? Qt::WindowMaximized : Qt::WindowNoState);
}

void TfrmMain::SaveWindowPlacement() {
    // The outer position and the inner size, as they are restored.
    const bool maximized = windowState() & Qt::WindowMaximized;
    WriteWindowPlacement(WindowPlacement{x(), y(), width(), height(), maximized});
}

// Without a connection there is no notes row: loading and storing do
// nothing, whichever moment asks for them.
void TfrmMain::LoadNotes() {
    if (!DM || !DM->IsConnected()) return;
    reNotes->Show(NotesRowText(DM->cdsNote));
}

void TfrmMain::SaveNotes() {
    if (!DM || !DM->IsConnected()) return;
    StoreNotesRow(*DM, reNotes->document());
    reNotes->Stored();
}

void TfrmMain::reNotesTypingPaused() {
    if (reNotes->HasUnstoredChanges()) SaveNotes();
}

void TfrmMain::StoreNotesAtEnd() {
    if (reNotes->HasUnstoredChanges()) SaveNotes();
}
