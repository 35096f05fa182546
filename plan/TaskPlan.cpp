#include "plan/TaskPlan.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "core/ListKeys.h"
#include "data/DataModule.h"
#include "plan/NewTask.h"
#include "plan/TaskList.h"
#include "plan/TaskListModel.h"
#include "platform/ErrorReport.h"
#include "platform/Modal.h"

namespace {

// What the editor showed when it opened on a stored task: a field the user
// left alone is not written again, so that Ok on an unchanged task changes
// nothing stored (a flag written as "Y" elsewhere, a date before the
// pickers' range, milliseconds, the line breaks of the details).
struct Shown {
    bool needAlert = false;
    TDateTime moment = 0;
    QString caption, category, details;
    bool executed = false;
};

Shown shownOf(const TfrmNewTask& e, TMemTable& t) {
    Shown s;
    s.needAlert = e.chbNeedAlert->isChecked();
    s.moment = t.FieldByName(QStringLiteral("DATETIME")).AsDateTime();
    s.caption = e.edCaption->text();
    s.category = e.edCategory->text();
    s.details = t.FieldByName(QStringLiteral("DETAILS")).AsString();
    s.executed = e.chbExecuted->isChecked();
    return s;
}

// The columns written when the editor closes with OK, in their order; with
// `shown`, only those the user changed (and NOTIFIED, cleared at every save).
void writeEditor(TMemTable& t, const Shown* shown = nullptr) {
    const TfrmNewTask& e = *frmNewTask;
    const bool alert = e.chbNeedAlert->isChecked();
    if (!shown || alert != shown->needAlert)
        t.FieldByName(QStringLiteral("NEEDALERT")).SetBoolean(alert);
    // A task without a reminder has no date at all.
    const TDateTime moment = alert ? e.PickedMoment() : 0;
    if (!shown || ((alert || shown->needAlert) && moment != shown->moment))
        t.FieldByName(QStringLiteral("DATETIME")).SetDateTime(moment);
    if (!shown || e.edCaption->text() != shown->caption)
        t.FieldByName(QStringLiteral("CAPTION")).SetString(e.edCaption->text());
    if (!shown || e.edCategory->text() != shown->category)
        t.FieldByName(QStringLiteral("CATEGORY")).SetString(e.edCategory->text());
    const QString details = e.DetailsText();
    if (!shown || details != shown->details)
        t.FieldByName(QStringLiteral("DETAILS")).SetString(details);
    if (!shown || e.chbExecuted->isChecked() != shown->executed)
        t.FieldByName(QStringLiteral("EXECUTED")).SetBoolean(e.chbExecuted->isChecked());
    t.FieldByName(QStringLiteral("NOTIFIED")).SetBoolean(false);
}

void limitEditor(TMemTable& t) {
    auto size = [&](const char* name) {
        const int i = t.FieldIndex(QLatin1String(name));
        return i < 0 ? 0 : t.Fields()[size_t(i)].size;
    };
    if (t.Active()) frmNewTask->SetTextLimits(size("CAPTION"), size("CATEGORY"), size("DETAILS"));
}

}  // namespace

TTaskPlan::TTaskPlan(QWidget* page, QMenu* popmPlan) : QObject(page), popmPlan_(popmPlan) {
    ListView = new QTableView(page);
    TaskList = new TaskListModel(ListView);
    ListView->setModel(TaskList);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setShowGrid(true);
    ListView->setWordWrap(false);
    ListView->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView->verticalHeader()->hide();
    ListView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView->verticalHeader()->setDefaultSectionSize(20);
    ListView->horizontalHeader()->setHighlightSections(false);
    ListView->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ListView->setIconSize(QSize(16, 16));
    // Each column at least as wide as its caption in the desktop's font.
    for (int c = 0; c < TaskListModel::ColumnCount; ++c)
        ListView->setColumnWidth(c,
                                 std::max(TaskListModel::ColumnWidth(c, ListView->font(), ListView),
                                          ListView->horizontalHeader()->sectionSizeHint(c)));
    // The selection stays as visible when the list has no focus.
    QPalette pal = ListView->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    ListView->setPalette(pal);
    ListView->installEventFilter(this);
    ListView->viewport()->installEventFilter(this);
    connect(ListView, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        Guarded([&] { popmPlan_->popup(ListView->viewport()->mapToGlobal(p)); });
    });
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListView);
}

bool TTaskPlan::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView && event->type() == QEvent::KeyPress) {
        bool handled = false;
        Guarded([&] { ListViewKeyDown(static_cast<QKeyEvent*>(event), handled); });
        return handled;
    }
    if (watched == ListView->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            Guarded([&] { ListViewDblClick(); });
            return true;
        }
        // A press on the empty area keeps the selection as it is.
        if (event->type() == QEvent::MouseButtonPress) {
            const auto* me = static_cast<QMouseEvent*>(event);
            if (!ListView->indexAt(me->position().toPoint()).isValid()) return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TTaskPlan::SelectRow(int row) {
    const QModelIndex index = TaskList->index(row, 0);
    ListView->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ListView->scrollTo(index);
}

int TTaskPlan::SelectedTaskId() const {
    const QModelIndexList rows = ListView->selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& i : rows)
        if (first < 0 || i.row() < first) first = i.row();
    return first < 0 ? 0 : TaskList->IdAt(first);
}

void TTaskPlan::LoadTaskList(bool KeepSelection, int SelectId) {
    if (!DM || !DM->IsConnected()) return;
    // A new task's own number may have been replaced by the database's.
    SelectId = int(DM->cdsTask.ResolveKey(SelectId));
    int position = 0;
    std::vector<TaskRow> rows = BuildTaskRows(DM->cdsTask, SelectId, position);
    TaskList->Reset(std::move(rows));
    QItemSelectionModel* sel = ListView->selectionModel();
    sel->clearSelection();
    if (KeepSelection && TaskList->rowCount() > 0) SelectRow(position);
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
    writeEditor(t);
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
    const Shown shown = shownOf(e, t);
    if (ShowModal(&e) != QDialog::Accepted) return;

    // Only the ID was kept across the dialog: find the row again.
    if (!t.Locate(id)) return;
    t.Edit();
    writeEditor(t, &shown);
    t.Post();
    DM->ApplyTable(t);
    LoadTaskList(true, id);
}

void TTaskPlan::DeleteTasks() {
    const QModelIndexList selected = ListView->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    // The chosen rows are taken before the question: a reminder that comes
    // while it is asked rebuilds the list and its selection.
    std::vector<int> rows;
    for (const QModelIndex& i : selected)
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    const int firstPosition = rows.front();
    std::vector<int> ids;
    for (int r : rows)
        ids.push_back(TaskList->IdAt(r));

    if (MessageBox(QStringLiteral("Удалить выделенные задания?"), QStringLiteral("Удаление"),
                   QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    TMemTable& t = DM->cdsTask;
    for (int id : ids)
        if (t.Locate(id)) t.Delete();
    DM->ApplyTable(t);
    LoadTaskList(false, 0);
    const int count = TaskList->rowCount();
    if (count > 0) SelectRow(std::min(firstPosition, count - 1));
}

void TTaskPlan::SelectAll() {
    ListView->selectAll();
}

void TTaskPlan::ListViewDblClick() {
    if (ListView->selectionModel()->hasSelection())
        EditTask();
    else
        NewTask();
}

void TTaskPlan::ListViewKeyDown(QKeyEvent* event, bool& handled) {
    handled = true;
    switch (ListKeyCommand(event->key(), event->modifiers())) {
        case ListKey::Add:
            NewTask();
            break;
        case ListKey::Delete:
            DeleteTasks();
            break;
        case ListKey::Edit:
            EditTask();
            break;
        case ListKey::SelectAll:
            SelectAll();
            break;
        case ListKey::Ignored:
            break;
        case ListKey::None:
            // Enter means nothing in the plan's list either.
            handled = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
            break;
    }
}
