#include "plan/TaskListModel.h"

const int TaskListModel::ColumnWidths[ColumnCount] = {106, 70, 270, 140, 74};

TaskListModel::TaskListModel(QObject* parent) : QAbstractTableModel(parent) {
    icons_[0] = QIcon(QStringLiteral(":/bell_16.png"));
    icons_[1] = QIcon(QStringLiteral(":/dial_16.png"));
}

void TaskListModel::Reset(std::vector<TaskRow>&& rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int TaskListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int TaskListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TaskListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    const TaskRow& r = rows_[size_t(index.row())];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case ColDate:
                return r.date;
            case ColTime:
                return r.time;
            case ColCaption:
                return r.caption;
            case ColCategory:
                return r.category;
            case ColDone:
                return r.done;
        }
    } else if (role == Qt::DecorationRole && index.column() == ColDate) {
        // Index 2 has no picture in the list: an overdue task shows none.
        if (r.icon >= 0 && r.icon < 2) return icons_[r.icon];
    } else if (role == Qt::UserRole) {
        return r.id;
    }
    return {};
}

QVariant TaskListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const captions[ColumnCount] = {"Дата", "Время", "Задание", "Категория",
                                                      "Выполнено"};
    if (section < 0 || section >= ColumnCount) return {};
    return QString::fromUtf8(captions[section]);
}
