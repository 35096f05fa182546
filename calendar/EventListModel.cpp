#include "calendar/EventListModel.h"

#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <algorithm>

const int EventListModel::ColumnWidths[ColumnCount] = {150, 80, 120, 50, 70, 150};

EventListModel::EventListModel(QObject* parent)
    : RowListModel(
          {QStringLiteral("Событие"), QStringLiteral("Дата"), QStringLiteral("Вид"),
           QStringLiteral("Категория"), QStringLiteral("Состояние"), QStringLiteral("Комментарий")},
          {&EventRow::caption, &EventRow::date, &EventRow::kind, &EventRow::category,
           &EventRow::state, &EventRow::comment},
          parent) {}

int EventListModel::ColumnWidth(int column, const QTableView& view) const {
    int width = ColumnWidths[column];
    width = std::max(width, view.horizontalHeader()->sectionSizeHint(column));
    if (column == ColKind) {
        const QFontMetrics m(view.font());
        const int margin =
            view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
        for (const char* name : EventKindNames)
            width = std::max(width, m.horizontalAdvance(QString::fromUtf8(name)) + 2 * margin + 4);
    }
    return width;
}
