// The rows of the event list: each keeps only its event's ID and the texts
// computed when the list was filled.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "calendar/EventRows.h"

class EventListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { ColCaption, ColDate, ColKind, ColCategory, ColState, ColComment, ColumnCount };
    static const int ColumnWidths[ColumnCount];

    using QAbstractTableModel::QAbstractTableModel;

    void Reset(std::vector<EventRow>&& rows);
    int IdAt(int row) const { return rows_[size_t(row)].id; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::vector<EventRow> rows_;
};
