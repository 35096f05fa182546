#include "calendar/EventListModel.h"

const int EventListModel::ColumnWidths[ColumnCount] = {150, 80, 120, 50, 70, 150};

void EventListModel::Reset(std::vector<EventRow>&& rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int EventListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int EventListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant EventListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    const EventRow& r = rows_[size_t(index.row())];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case ColCaption:
                return r.caption;
            case ColDate:
                return r.date;
            case ColKind:
                return r.kind;
            case ColCategory:
                return r.category;
            case ColState:
                return r.state;
            case ColComment:
                return r.comment;
        }
    } else if (role == Qt::UserRole) {
        return r.id;
    }
    return {};
}

QVariant EventListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const captions[ColumnCount] = {"Событие",   "Дата",      "Вид",
                                                      "Категория", "Состояние", "Комментарий"};
    if (section < 0 || section >= ColumnCount) return {};
    return QString::fromUtf8(captions[section]);
}
