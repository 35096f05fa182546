#include "plan/TaskPlan.h"

#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "core/Clock.h"
#include "core/DateTime.h"
#include "data/DataModule.h"
#include "plan/ListPage.h"
#include "plan/NewTask.h"
#include "plan/TaskList.h"
#include "plan/TaskListModel.h"
#include "platform/Modal.h"

namespace {

void limitEditor(TMemTable& t) {
    auto size = [&](const char* name) {
        const int i = t.FieldIndex(QLatin1String(name));
        return i < 0 ? 0 : t.Fields()[size_t(i)].size;
    };
    if (t.Active()) frmNewTask->SetTextLimits(size("CAPTION"), size("CATEGORY"), size("DETAILS"));
}

}  // namespace

TTaskPlan::TTaskPlan(QWidget* page, QMenu* popmPlan) : QObject(page) {
    ListView = new QTableView(page);
    TaskList = new TaskListModel(ListView);
    ListPage::Options options;
    options.grid = true;
    options.menu = popmPlan;
    // A press on the empty area keeps the selection as it is; Enter means
    // nothing in the plan's list.
    options.pressBelowRowsKeepsSelection = true;
    options.enterTaken = true;
    list_ = new ListPage(ListView, TaskList, options,
                         {[this] { NewTask(); }, [this] { EditTask(); }, [this] { DeleteTasks(); },
                          [this] { SelectAll(); },
                          [this](QKeyEvent* e, bool& handled) { ListViewKeyDown(e, handled); },
                          [this] { ListViewDblClick(); }});
    ListView->setIconSize(QSize(16, 16));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListView);
}

int TTaskPlan::SelectedTaskId() const {
    return list_->FirstChosenId().value_or(0);
}

void TTaskPlan::LoadTaskList(bool KeepSelection, int SelectId) {
    if (!DM || !DM->IsConnected()) return;
    // A new task's own number may have been replaced by the database's.
    SelectId = int(DM->cdsTask.ResolveKey(SelectId));
    int position = 0;
    TaskList->Refill(
        [&](std::vector<TaskRow>& rows) { BuildTaskRows(DM->cdsTask, SelectId, position, rows); });
    QItemSelectionModel* sel = ListView->selectionModel();
    sel->clearSelection();
    if (KeepSelection && TaskList->rowCount() > 0) list_->SelectRow(position);
}

void TTaskPlan::NewTask() {
    // A second start of the command (say from the tray) while the editor
    // is open only brings it forward.
    if (frmNewTask->isVisible()) {
        if (frmNewTask->isMinimized()) frmNewTask->showNormal();
        frmNewTask->raise();
        frmNewTask->activateWindow();
        return;
    }
    TfrmNewTask& e = *frmNewTask;
    limitEditor(DM->cdsTask);
    e.setWindowTitle(QStringLiteral("Новое задание"));
    e.chbNeedAlert->setChecked(true);
    e.chbNeedAlertClick();
    const TimeParts now = DecodeTime(Now());
    e.SetPickedMoment(Today() + EncodeTime(now.hour, now.minute, 0, 0));
    e.edCaption->clear();
    e.edCategory->clear();
    e.SetDetailsText(QString());
    e.chbExecuted->setChecked(false);
    if (ShowModal(&e) != QDialog::Accepted) return;

    // The number and the row only now: ticks may have moved the table's
    // current row while the editor was open. Without the server the number
    // is the program's own until the row is sent.
    const int id = DM->NewTaskId();
    TMemTable& t = DM->cdsTask;
    t.Append();
    t.FieldByName(QStringLiteral("ID")).SetInteger(id);
    t.FieldByName(QStringLiteral("USER_ID")).SetInteger(CurrentUserId);
    WriteTaskFields(t, e.Fields(), nullptr);
    t.Post();
    DM->ApplyTable(t);
    LoadTaskList(true, id);
}

void TTaskPlan::EditTask() {
    const int id = SelectedTaskId();
    if (id == 0) return;
    TMemTable& t = DM->cdsTask;
    if (!t.Locate(id)) return;
    TfrmNewTask& e = *frmNewTask;
    limitEditor(t);
    e.setWindowTitle(QStringLiteral("Редактировать задание"));
    e.chbNeedAlert->setChecked(t.FieldByName(QStringLiteral("NEEDALERT")).AsBoolean());
    e.chbNeedAlertClick();
    e.SetPickedMoment(t.FieldByName(QStringLiteral("DATETIME")).AsDateTime());
    e.edCaption->setText(t.FieldByName(QStringLiteral("CAPTION")).AsString());
    e.edCategory->setText(t.FieldByName(QStringLiteral("CATEGORY")).AsString());
    e.SetDetailsText(t.FieldByName(QStringLiteral("DETAILS")).AsString());
    e.chbExecuted->setChecked(t.FieldByName(QStringLiteral("EXECUTED")).AsBoolean());
    // What it shows now is what a field left alone gives back: the stored
    // value (the pickers' moment and the details exactly as stored).
    const TaskFields opened = e.Fields();
    if (ShowModal(&e) != QDialog::Accepted) return;

    // Only the ID was kept across the dialog: find the row again.
    if (!t.Locate(id)) return;
    t.Edit();
    WriteTaskFields(t, e.Fields(), &opened);
    t.Post();
    DM->ApplyTable(t);
    LoadTaskList(true, id);
}

void TTaskPlan::DeleteTasks() {
    list_->DeleteChosen(*DM, DM->cdsTask, QStringLiteral("Удалить выделенные задания?"),
                        [this] { LoadTaskList(false, 0); });
}

void TTaskPlan::SelectAll() {
    ListView->selectAll();
}

void TTaskPlan::ListViewDblClick() {
    list_->DoubleClick();
}

void TTaskPlan::ListViewKeyDown(QKeyEvent* event, bool& handled) {
    list_->KeyDown(event, handled);
}
