// The rows of the task list, with the picture of each row's state.
#pragma once

#include <QHash>
#include <QIcon>
#include <vector>

#include "core/DateTime.h"
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

    // Takes the rows of a new fill.
    void Reset(std::vector<TaskRow>&& rows);
    // Fills the rows anew where they lie (RowListModel::Refill).
    template <class Fill>
    void Refill(Fill&& fill) {
        ForgetTexts();
        RowListModel::Refill(std::forward<Fill>(fill));
    }

  private:
    void ForgetTexts();  // the formats may have changed since the last fill
    // The texts of the date and time columns, made once per day and minute
    // shown since the last fill.
    const QString& DateText(TDateTime when) const;
    const QString& TimeText(TDateTime when) const;
    mutable QHash<qint64, QString> dates_;
    mutable std::vector<QString> times_;

    // The picture list: bell, dial, and an empty one that keeps the text of
    // an overdue task in line with the others.
    QIcon icons_[3];
};
