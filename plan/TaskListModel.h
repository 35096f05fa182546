// The rows of the task list: each keeps only its task's ID and the texts
// and icon computed when the list was filled. A rebuild replaces them all
// at once, so the view redraws only what is visible.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <QIcon>
#include <vector>

#include "plan/TaskList.h"

class TaskListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { ColDate, ColTime, ColCaption, ColCategory, ColDone, ColumnCount };
    static const int ColumnWidths[ColumnCount];

    explicit TaskListModel(QObject* parent = nullptr);

    // Width of column `column` in `font`: the usual width, or more where a
    // date with its weekday and picture would not fit in it (desktop fonts
    // wider than the one the widths were made for).
    static int ColumnWidth(int column, const QFont& font, const QWidget* view);

    void Reset(std::vector<TaskRow>&& rows);
    const TaskRow& Row(int row) const { return rows_[size_t(row)]; }
    int IdAt(int row) const { return rows_[size_t(row)].id; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::vector<TaskRow> rows_;
    // The picture list: bell, dial, and an empty one that keeps the text of
    // an overdue task in line with the others.
    QIcon icons_[3];
};
