#include "plan/TaskListModel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPixmap>
#include <QStyle>
#include <QWidget>
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

TaskListModel::TaskListModel(QObject* parent) : QAbstractTableModel(parent) {
    icons_[0] = QIcon(QStringLiteral(":/bell_16.png"));
    icons_[1] = QIcon(QStringLiteral(":/dial_16.png"));
    QPixmap none(PictureSize, PictureSize);
    none.fill(Qt::transparent);
    icons_[2] = QIcon(none);
}

int TaskListModel::ColumnWidth(int column, const QFont& font, const QWidget* view) {
    const int usual = ColumnWidths[column];
    if (column != ColDate) return usual;
    const int margin =
        QApplication::style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    // The picture, the gap after it and the margins of the cell, with room to spare.
    return std::max(usual, widestDate(font) + PictureSize + 6 * margin + 8);
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
        // An overdue task (2) shows no picture, but keeps its place.
        if (r.icon >= 0 && r.icon < 3) return icons_[r.icon];
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
