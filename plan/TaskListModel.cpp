#include "plan/TaskListModel.h"
#include "core/DateTime.h"

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
    : RowListModel({QStringLiteral("Дата"), QStringLiteral("Время"), QStringLiteral("Задание"),
                    QStringLiteral("Категория"), QStringLiteral("Выполнено")},
                   {nullptr, nullptr, &TaskRow::caption, &TaskRow::category, nullptr}, parent) {
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
    const int column = index.column();
    const bool made =
        role == Qt::DisplayRole && (column == ColDate || column == ColTime || column == ColDone);
    if (!made && (role != Qt::DecorationRole || column != ColDate))
        return RowListModel::data(index, role);
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const TaskRow& row = RowAt(index.row());
    if (role == Qt::DisplayRole) {
        if (column == ColDone) return TaskDoneText(row.done);
        return column == ColDate ? DateText(row.when) : TimeText(row.when);
    }
    // An overdue task (2) shows no picture, but keeps its place.
    if (row.icon >= 0 && row.icon < 3) return icons_[row.icon];
    return {};
}

void TaskListModel::Reset(std::vector<TaskRow>&& rows) {
    ForgetTexts();
    RowListModel::Reset(std::move(rows));
}

void TaskListModel::ForgetTexts() {
    dates_.clear();
    times_.clear();
}

const QString& TaskListModel::DateText(TDateTime when) const {
    static const QString none = TaskDateText(0);
    if (when == 0) return none;
    qint64 day, ms;
    SplitDateTime(when, day, ms);
    auto it = dates_.find(day);
    if (it == dates_.end()) it = dates_.insert(day, TaskDateText(when));
    return *it;
}

const QString& TaskListModel::TimeText(TDateTime when) const {
    static const QString none = TaskTimeText(0);
    if (when == 0) return none;
    const TimeParts t = DecodeTime(when);
    if (times_.empty()) times_.resize(24 * 60);
    QString& s = times_[size_t(t.hour * 60 + t.minute)];
    if (s.isNull()) s = TaskTimeText(when);
    return s;
}
