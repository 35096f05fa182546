#include "plan/TaskListModel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPixmap>
#include <QStyle>
#include <QTableView>
#include <algorithm>

const int TaskListModel::ColumnWidths[ColumnCount] = {106, 70, 270, 140, 74};

namespace {

constexpr int PictureSize = 16;

// The widest date text of the list in `font` ("28.08.2028 <Пн>" and the
// other weekdays: the digits of the usual fonts are all equally wide).
int widestDate(const QFont& font) {
    static const char16_t* const tags[7] = {u"<Пн>", u"<Вт>", u"<Ср>", u"<Чт>",
                                            u"<Пт>", u"<Сб>", u"<Вс>"};
    const QFontMetrics m(font);
    int widest = 0;
    for (const char16_t* tag : tags)
        widest = std::max(
            widest, m.horizontalAdvance(QStringLiteral("28.08.2028 ") + QString::fromUtf16(tag)));
    return widest;
}

}  // namespace

TaskListModel::TaskListModel(QObject* parent)
    : RowListModel(
          {QStringLiteral("Дата"), QStringLiteral("Время"), QStringLiteral("Задание"),
           QStringLiteral("Категория"), QStringLiteral("Выполнено")},
          {&TaskRow::date, &TaskRow::time, &TaskRow::caption, &TaskRow::category, &TaskRow::done},
          parent) {
    icons_[0] = QIcon(QStringLiteral(":/bell_16.png"));
    icons_[1] = QIcon(QStringLiteral(":/dial_16.png"));
    QPixmap none(PictureSize, PictureSize);
    none.fill(Qt::transparent);
    icons_[2] = QIcon(none);
}

int TaskListModel::ColumnWidth(int column, const QTableView& view) const {
    const int usual = ColumnWidths[column];
    if (column != ColDate) return usual;
    const int margin =
        QApplication::style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
    // The picture, the gap after it and the margins of the cell, with room to spare.
    return std::max(usual, widestDate(view.font()) + PictureSize + 6 * margin + 8);
}

QVariant TaskListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DecorationRole || index.column() != ColDate)
        return RowListModel::data(index, role);
    if (!index.isValid() || index.row() >= rowCount()) return {};
    // An overdue task (2) shows no picture, but keeps its place.
    const int icon = RowAt(index.row()).icon;
    if (icon >= 0 && icon < 3) return icons_[icon];
    return {};
}
