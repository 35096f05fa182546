#include "ical/TableItems.h"

#include <algorithm>
#include <numeric>

#include "data/MemTable.h"

namespace {

// Reads the cells of one row by column name; a column the table lacks
// reads as NULL.
class RowReader {
  public:
    explicit RowReader(const TMemTable& t) : t_(t) {}
    const Value& operator()(int row, const char* column) const {
        static const Value none;
        const int c = t_.FieldIndex(QLatin1String(column));
        return c < 0 ? none : t_.Cell(row, c);
    }

  private:
    const TMemTable& t_;
};

}  // namespace

std::vector<TaskItem> TaskItemsOf(const TMemTable& t) {
    const RowReader cell(t);
    std::vector<TaskItem> items;
    items.reserve(size_t(t.RecordCount()));
    for (int r = 0; r < t.RecordCount(); ++r) {
        TaskItem i;
        i.id = int(cell(r, "ID").toInt());
        i.caption = cell(r, "CAPTION").toText();
        i.category = cell(r, "CATEGORY").toText();
        i.details = cell(r, "DETAILS").toText();
        i.needAlert = cell(r, "NEEDALERT").toFlag();
        i.when = cell(r, "DATETIME").toFloat();
        i.executed = cell(r, "EXECUTED").toFlag();
        i.notified = cell(r, "NOTIFIED").toFlag();
        items.push_back(std::move(i));
    }
    return items;
}

std::vector<EventItem> EventItemsOf(const TMemTable& t) {
    const RowReader cell(t);
    std::vector<EventItem> items;
    items.reserve(size_t(t.RecordCount()));
    for (int r = 0; r < t.RecordCount(); ++r) {
        EventItem i;
        i.id = int(cell(r, "ID").toInt());
        i.caption = cell(r, "CAPTION").toText();
        i.comment = cell(r, "COMMENT").toText();
        i.date = cell(r, "DATE").toFloat();
        i.vid = int(cell(r, "VID").toInt());
        i.category = int(cell(r, "CATEGORY").toInt());
        i.notified = cell(r, "NOTIFIED").toFlag();
        items.push_back(std::move(i));
    }
    return items;
}

namespace {
TField field(TMemTable& t, const char* name) {
    return t.FieldByName(QLatin1String(name));
}
}  // namespace

TaskRowWriter::TaskRowWriter(TMemTable& t)
    : t_(t),
      id_(field(t, "ID")),
      user_(field(t, "USER_ID")),
      needAlert_(field(t, "NEEDALERT")),
      dateTime_(field(t, "DATETIME")),
      caption_(field(t, "CAPTION")),
      category_(field(t, "CATEGORY")),
      details_(field(t, "DETAILS")),
      executed_(field(t, "EXECUTED")),
      notified_(field(t, "NOTIFIED")) {}

void TaskRowWriter::Append(const std::vector<TaskItem>& tasks, const std::vector<int>& ids) {
    // The table keeps its rows in order of their moment: rows put in in
    // that order each land at its end.
    std::vector<size_t> order(tasks.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return tasks[a].when < tasks[b].when; });
    for (size_t i : order) {
        const TaskItem& task = tasks[i];
        t_.Append();
        id_.SetInteger(ids[i]);
        user_.SetInteger(CurrentUserId);
        needAlert_.SetBoolean(task.needAlert);
        dateTime_.SetDateTime(task.needAlert ? task.when : 0);
        caption_.SetString(task.caption);
        category_.SetString(task.category);
        details_.SetString(task.details);
        executed_.SetBoolean(task.executed);
        notified_.SetBoolean(task.notified);
        t_.Post();
    }
}

EventRowWriter::EventRowWriter(TMemTable& t)
    : t_(t),
      id_(field(t, "ID")),
      user_(field(t, "USER_ID")),
      caption_(field(t, "CAPTION")),
      date_(field(t, "DATE")),
      vid_(field(t, "VID")),
      category_(field(t, "CATEGORY")),
      comment_(field(t, "COMMENT")),
      notified_(field(t, "NOTIFIED")) {}

void EventRowWriter::Append(const std::vector<EventItem>& events, const std::vector<int>& ids) {
    for (size_t i = 0; i < events.size(); ++i) {
        const EventItem& e = events[i];
        t_.Append();
        id_.SetInteger(ids[i]);
        user_.SetInteger(CurrentUserId);
        caption_.SetString(e.caption);
        date_.SetDateTime(e.date);
        vid_.SetInteger(e.vid);
        category_.SetInteger(e.category);
        comment_.SetString(e.comment);
        notified_.SetBoolean(e.notified);
        t_.Post();
    }
}
