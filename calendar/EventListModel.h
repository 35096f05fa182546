// The rows of the event list.
#pragma once

#include "calendar/EventRows.h"
#include "plan/RowListModel.h"

class EventListModel : public RowListModel<EventRow> {
    Q_OBJECT
  public:
    enum Column { ColCaption, ColDate, ColKind, ColCategory, ColState, ColComment, ColumnCount };
    static const int ColumnWidths[ColumnCount];

    explicit EventListModel(QObject* parent = nullptr);

    // The usual width, or more where the desktop's font would cut a kind's
    // name or a title.
    int ColumnWidth(int column, const QTableView& view) const override;
};
