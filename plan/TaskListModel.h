// The rows of the task list, with the picture of each row's state.
#pragma once

#include <QIcon>

#include "plan/RowListModel.h"
#include "plan/TaskList.h"

class TaskListModel : public RowListModel<TaskRow> {
    Q_OBJECT
  public:
    enum Column { ColDate, ColTime, ColCaption, ColCategory, ColDone, ColumnCount };
    static const int ColumnWidths[ColumnCount];

    explicit TaskListModel(QObject* parent = nullptr);

    // The usual width, or more where a date with its weekday and picture
    // would not fit in it.
    int ColumnWidth(int column, const QTableView& view) const override;

    QVariant data(const QModelIndex& index, int role) const override;

  private:
    // The picture list: bell, dial, and an empty one that keeps the text of
    // an overdue task in line with the others.
    QIcon icons_[3];
};
