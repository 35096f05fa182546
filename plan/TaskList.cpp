#include "plan/TaskList.h"

#include "core/Clock.h"
#include "core/Error.h"
#include "core/Formats.h"
#include "data/MemTable.h"

QString WeekDayTag(TDateTime date) {
    static const char16_t* const tags[7] = {u"<Пн>", u"<Вт>", u"<Ср>", u"<Чт>",
                                            u"<Пт>", u"<Сб>", u"<Вс>"};
    return QString::fromUtf16(tags[DayOfTheWeek(date) - 1]);
}

namespace {

// How many rows ahead of the one being filled its texts are fetched.
constexpr int PrefetchAhead = 48;

struct TaskColumns {
    int id, when, caption, category, executed;
    explicit TaskColumns(const TMemTable& t)
        : id(t.FieldIndex(QStringLiteral("ID"))),
          when(t.FieldIndex(QStringLiteral("DATETIME"))),
          caption(t.FieldIndex(QStringLiteral("CAPTION"))),
          category(t.FieldIndex(QStringLiteral("CATEGORY"))),
          executed(t.FieldIndex(QStringLiteral("EXECUTED"))) {
        if (id < 0 || when < 0 || caption < 0 || category < 0 || executed < 0)
            throw EQuillet(QStringLiteral("В таблице TASK нет нужных столбцов"));
    }
};

void fill(TaskRow& item, const TMemTable& t, const TaskColumns& c, int row, TDateTime now) {
    item.id = int(t.Cell(row, c.id).toInt());
    item.when = t.Cell(row, c.when).toFloat();
    item.caption = t.Cell(row, c.caption).toText();
    item.category = t.Cell(row, c.category).toText();
    // The list reads the done flag as text: only exactly "T" is done.
    const Value& executed = t.Cell(row, c.executed);
    item.done = executed.isTextOf(u'T');
    item.icon = item.done ? 1 : item.when != 0 && now >= item.when ? 2 : 0;
}

}  // namespace

void FillTaskItem(TaskRow& item, const TMemTable& cdsTask, int row, TDateTime now) {
    fill(item, cdsTask, TaskColumns(cdsTask), row, now);
}

QString TaskDateText(TDateTime when) {
    if (when == 0) return QStringLiteral("<нет>");
    return FormatShortDate(when) + u' ' + WeekDayTag(when);
}

QString TaskTimeText(TDateTime when) {
    return when == 0 ? QStringLiteral("<нет>") : FormatHourMinute(when);
}

QString TaskDoneText(bool done) {
    return done ? QStringLiteral("<да>") : QStringLiteral("<нет>");
}

std::vector<TaskRow> BuildTaskRows(TMemTable& cdsTask, int selectId, int& position) {
    std::vector<TaskRow> rows;
    BuildTaskRows(cdsTask, selectId, position, rows);
    return rows;
}

void BuildTaskRows(TMemTable& cdsTask, int selectId, int& position, std::vector<TaskRow>& rows) {
    const TaskColumns c(cdsTask);
    const TDateTime now = Now();
    const int count = cdsTask.RecordCount();
    rows.resize(size_t(count));
    position = 0;
    size_t at = 0;
    for (cdsTask.First(); !cdsTask.Eof(); cdsTask.Next(), ++at) {
        // The texts a few rows on, new and old, are asked for now.
        if (const int ahead = cdsTask.RecNo() + PrefetchAhead; ahead < count) {
            cdsTask.Cell(ahead, c.caption).prefetch();
            cdsTask.Cell(ahead, c.category).prefetch();
            __builtin_prefetch(rows[size_t(ahead)].caption.data_ptr().d_ptr(), 1);
            __builtin_prefetch(rows[size_t(ahead)].category.data_ptr().d_ptr(), 1);
        }
        fill(rows[at], cdsTask, c, cdsTask.RecNo(), now);
        if (rows[at].id == selectId) position = int(at);
    }
}
