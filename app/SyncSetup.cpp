#include "app/SyncSetup.h"

#include <QDateTime>
#include <QDialog>
#include <QEvent>
#include <QInputDialog>
#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>
#include <algorithm>

#include "app/Main.h"
#include "calendar/CalendarPage.h"
#include "data/DataModule.h"
#include "data/OwnTables.h"
#include "plan/TaskPlan.h"
#include "platform/ErrorReport.h"
#include "platform/SecretStore.h"
#include "settings/Options.h"
#include "settings/Settings.h"
#include "sync/SyncPage.h"
#include "sync/SyncRunner.h"

TSyncRunner* SyncRunner = nullptr;

namespace {

bool askedThisRun = false;

// Without a secret store the password is asked once per start and kept
// in memory.
QString passwordFor(const SyncOptions& o) {
    // Sync off: the secret store is not woken (a lookup costs more than the
    // rest of the start).
    if (!o.enabled) return {};
    QString password = SecretStore::Lookup(o.server, o.user);
    if (!password.isEmpty() || askedThisRun) return password;
    askedThisRun = true;
    bool ok = false;
    password = QInputDialog::getText(
        frmMain, QStringLiteral("Синхронизация"),
        QStringLiteral("Пароль пользователя «%1» на сервере календарей:").arg(o.user),
        QLineEdit::Password, QString(), &ok);
    if (!ok || password.isEmpty()) return {};
    SecretStore::Store(o.server, o.user, password);
    return password;
}

// Grows a dialog at its first show so that `page` fits its page area.
class GrowToFit : public QObject {
  public:
    GrowToFit(QWidget* page, QDialog* dialog) : QObject(dialog), page_(page) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) return false;
        auto* dialog = static_cast<QDialog*>(watched);
        const QSize area = frmOptions->PageControl->currentWidget()->size();
        const QSize need = page_->sizeHint();
        const QSize grow(std::max(0, need.width() - area.width()),
                         std::max(0, need.height() - area.height()));
        if (!grow.isNull()) {
            dialog->setFixedSize(dialog->size() + grow);
            dialog->move(dialog->pos() - QPoint(grow.width() / 2, grow.height() / 2));
        }
        dialog->removeEventFilter(this);
        return false;
    }

  private:
    QWidget* page_;
};

void addPage() {
    auto* page = new TSyncPage;
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("tshSyncScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(page);
    frmOptions->PageControl->addTab(scroll, QStringLiteral("Синхронизация"));
    // The dialog was sized for its first pages: at its first show, when its
    // pages have their real size, it grows to show this one whole (the
    // scroll area stays for a small screen).
    frmOptions->installEventFilter(new GrowToFit(page, frmOptions));
    frmOptions->LoadExtraPages = [page] { page->Load(); };
    frmOptions->StoreExtraPages = [page] {
        page->Store();
        ConfigureSync();
    };
}

}  // namespace

void StartSync() {
    if (!DM || !DM->IsConnected() || SyncRunner) return;
    QString identity;
    try {
        identity = TOwnTables(DM->xConnection).Identity();
    } catch (const EQuillet&) {
        return;  // no server now: the sync waits for the next start
    }
    SyncRunner = new TSyncRunner(
        *DM, TDM::DatabaseAddress(),
        [identity] {
            ExportSettings s;
            s.identity = identity;
            s.notifyDays = NotifyDays;
            s.notifyTime = NotifyTime;
            s.stampSecs = QDateTime::currentSecsSinceEpoch();
            return s;
        },
        frmMain);
    QObject::connect(SyncRunner, &TSyncRunner::TablesChanged, frmMain, [] {
        Guarded([] {
            frmMain->Plan->LoadTaskList(true, frmMain->Plan->SelectedTaskId());
            frmMain->Calendar->Repaint();
        });
    });
    QObject::connect(SyncRunner, &TSyncRunner::StatusChanged, frmMain, [](const QString& text) {
        frmMain->StatusSync->setText(text);
        frmMain->StatusSync->setToolTip(text);
    });
    DM->onTableChanged = [](TMemTable&) {
        if (SyncRunner) SyncRunner->LocalChanged();
    };
    addPage();
    ConfigureSync();
}

void ConfigureSync() {
    if (!SyncRunner) return;
    const SyncOptions o = ReadSyncOptions();
    SyncConfig c;
    c.account.server = QUrl(o.server);
    c.account.user = o.user;
    c.account.password = passwordFor(o);
    c.account.allowPlainHttp = o.allowPlainHttp;
    const QString events = o.eventsCalendar.isEmpty() ? o.tasksCalendar : o.eventsCalendar;
    const QString tasks = o.tasksCalendar.isEmpty() ? o.eventsCalendar : o.tasksCalendar;
    c.target.events = QUrl(events);
    c.target.tasks = QUrl(tasks);
    c.periodMin = o.periodMin;
    c.enabled = o.enabled && !events.isEmpty() && !c.account.password.isEmpty();
    SyncRunner->Configure(c);
    SyncRunner->SyncNow();
}

void StopSync() {
    if (DM) DM->onTableChanged = nullptr;
    delete SyncRunner;
    SyncRunner = nullptr;
    askedThisRun = false;
}
