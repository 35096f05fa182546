#include "plan/TaskList.h"

#include <QHash>

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

// Texts of dates and times already made during one rebuild: many tasks
// share a day or a minute, and a shared text costs no formatting.
struct TextCache {
    QHash<qint64, QString> dates;
    std::vector<QString> times = std::vector<QString>(24 * 60);

    const QString& date(TDateTime when) {
        qint64 day, ms;
        SplitDateTime(when, day, ms);
        auto it = dates.find(day);
        if (it == dates.end())
            it = dates.insert(day, FormatShortDate(when) + u' ' + WeekDayTag(when));
        return *it;
    }
    const QString& time(TDateTime when) {
        const TimeParts t = DecodeTime(when);
        QString& s = times[size_t(t.hour * 60 + t.minute)];
        if (s.isNull()) s = FormatHourMinute(when);
        return s;
    }
};

void fill(TaskRow& item, const TMemTable& t, const TaskColumns& c, int row, TDateTime now,
          TextCache& cache) {
    static const QString none = QStringLiteral("<нет>");
    static const QString yes = QStringLiteral("<да>");
    static const QString done = QStringLiteral("T");
    item.id = int(t.Cell(row, c.id).toInt());
    const TDateTime when = t.Cell(row, c.when).toFloat();
    if (when != 0) {
        item.date = cache.date(when);
        item.time = cache.time(when);
    } else {
        item.date = none;
        item.time = none;
    }
    item.caption = t.Cell(row, c.caption).toText();
    item.category = t.Cell(row, c.category).toText();
    // The list reads the done flag as text: only exactly "T" is done.
    const Value& executed = t.Cell(row, c.executed);
    if (executed.kind() == Value::Text && executed.toText() == done) {
        item.done = yes;
        item.icon = 1;
    } else {
        item.done = none;
        item.icon = when != 0 && now >= when ? 2 : 0;
    }
}

}  // namespace

void FillTaskItem(TaskRow& item, const TMemTable& cdsTask, int row, TDateTime now) {
    TextCache cache;
    fill(item, cdsTask, TaskColumns(cdsTask), row, now, cache);
}

std::vector<TaskRow> BuildTaskRows(TMemTable& cdsTask, int selectId, int& position) {
    const TaskColumns c(cdsTask);
    const TDateTime now = Now();
    TextCache cache;
    std::vector<TaskRow> rows;
    rows.reserve(size_t(cdsTask.RecordCount()));
    position = 0;
    for (cdsTask.First(); !cdsTask.Eof(); cdsTask.Next()) {
        rows.emplace_back();
        fill(rows.back(), cdsTask, c, cdsTask.RecNo(), now, cache);
        if (rows.back().id == selectId) position = int(rows.size()) - 1;
    }
    return rows;
}
