// The rows of the task list: each keeps only its task's ID and the texts
// and icon computed when the list was filled. A rebuild replaces them all
// at once, so the view redraws only what is visible.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <vector>

struct TaskRow {
    int id = 0;
    QString date, time, caption, category, done;
    int icon = 0;  // 0 bell, 1 dial, 2 overdue (no picture)
};

class TaskListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { ColDate, ColTime, ColCaption, ColCategory, ColDone, ColumnCount };
    static const int ColumnWidths[ColumnCount];

    explicit TaskListModel(QObject* parent = nullptr);

    void Reset(std::vector<TaskRow>&& rows);
    const TaskRow& Row(int row) const { return rows_[size_t(row)]; }
    int IdAt(int row) const { return rows_[size_t(row)].id; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::vector<TaskRow> rows_;
    QIcon icons_[2];  // the picture list: bell, dial
};
