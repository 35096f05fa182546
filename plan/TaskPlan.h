// The plan page: the task list and the task commands (new, edit, delete,
// select all) with the list's keys and double click. The list keeps only
// the ID of each task; every command goes from the selected rows to the
// records through it.
#pragma once

#include <QObject>

class ListPage;
class QKeyEvent;
class QMenu;
class QTableView;
class QWidget;
class TaskListModel;

class TTaskPlan : public QObject {
    Q_OBJECT
  public:
    // Builds the list on `page`; `popmPlan` is its context menu.
    TTaskPlan(QWidget* page, QMenu* popmPlan);

    QTableView* ListView = nullptr;
    TaskListModel* TaskList = nullptr;  // the rows of ListView

    void NewTask();
    void EditTask();
    void DeleteTasks();
    void SelectAll();
    void ListViewDblClick();
    // Rebuilds the task list from the task table.
    void LoadTaskList(bool KeepSelection, int SelectId);
    // ID of the first selected row of the task list, 0 when none.
    int SelectedTaskId() const;

  private:
    void ListViewKeyDown(QKeyEvent* event, bool& handled);

    ListPage* list_ = nullptr;
};
