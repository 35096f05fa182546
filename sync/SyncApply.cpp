#include "sync/SyncApply.h"

#include "data/DataModule.h"
#include "ical/TableItems.h"
#include "sync/SyncItems.h"

namespace {

const Value& cell(const TMemTable& t, int row, const char* column) {
    static const Value none;
    const int c = t.FieldIndex(QLatin1String(column));
    return c < 0 ? none : t.Cell(row, c);
}

TaskItem taskAt(const TMemTable& t, int r) {
    TaskItem i;
    i.id = int(cell(t, r, "ID").toInt());
    i.caption = cell(t, r, "CAPTION").toText();
    i.category = cell(t, r, "CATEGORY").toText();
    i.details = cell(t, r, "DETAILS").toText();
    i.needAlert = cell(t, r, "NEEDALERT").toFlag();
    i.when = cell(t, r, "DATETIME").toFloat();
    i.executed = cell(t, r, "EXECUTED").toFlag();
    i.notified = cell(t, r, "NOTIFIED").toFlag();
    return i;
}

EventItem eventAt(const TMemTable& t, int r) {
    EventItem i;
    i.id = int(cell(t, r, "ID").toInt());
    i.caption = cell(t, r, "CAPTION").toText();
    i.comment = cell(t, r, "COMMENT").toText();
    i.date = cell(t, r, "DATE").toFloat();
    i.vid = int(cell(t, r, "VID").toInt());
    i.category = int(cell(t, r, "CATEGORY").toInt());
    i.notified = cell(t, r, "NOTIFIED").toFlag();
    return i;
}

// The hash of the row numbered `id`; nullopt when there is none.
std::optional<quint64> hashOf(TMemTable& t, ItemKind kind, int id) {
    if (!t.Locate(id)) return std::nullopt;
    return kind == ItemKind::Task ? TaskHash(taskAt(t, t.RecNo()))
                                  : EventHash(eventAt(t, t.RecNo()));
}

void setTask(TMemTable& t, const TaskItem& i) {
    t.Edit();
    t.FieldByName(QStringLiteral("NEEDALERT")).SetBoolean(i.needAlert);
    t.FieldByName(QStringLiteral("DATETIME")).SetDateTime(i.needAlert ? i.when : 0);
    t.FieldByName(QStringLiteral("CAPTION")).SetString(i.caption);
    t.FieldByName(QStringLiteral("CATEGORY")).SetString(i.category);
    t.FieldByName(QStringLiteral("DETAILS")).SetString(i.details);
    t.FieldByName(QStringLiteral("EXECUTED")).SetBoolean(i.executed);
    t.FieldByName(QStringLiteral("NOTIFIED")).SetBoolean(i.notified);
    t.Post();
}

void setEvent(TMemTable& t, const EventItem& i) {
    t.Edit();
    t.FieldByName(QStringLiteral("CAPTION")).SetString(i.caption);
    t.FieldByName(QStringLiteral("DATE")).SetDateTime(i.date);
    t.FieldByName(QStringLiteral("VID")).SetInteger(i.vid);
    t.FieldByName(QStringLiteral("CATEGORY")).SetInteger(i.category);
    t.FieldByName(QStringLiteral("COMMENT")).SetString(i.comment);
    t.FieldByName(QStringLiteral("NOTIFIED")).SetBoolean(i.notified);
    t.Post();
}

int captionSize(const TMemTable& t) {
    const int c = t.FieldIndex(QStringLiteral("CAPTION"));
    return c < 0 ? 0 : t.Fields()[size_t(c)].size;
}

}  // namespace

SyncSnapshot TakeSnapshot(TDM& dm, const ExportSettings& settings) {
    SyncSnapshot s;
    s.settings = settings;
    s.tasks = TaskItemsOf(dm.cdsTask);
    s.events = EventItemsOf(dm.cdsBirth);
    // A row numbered by the program itself gets its number when it is sent.
    std::erase_if(s.tasks, [](const TaskItem& t) { return t.id <= 0; });
    std::erase_if(s.events, [](const EventItem& e) { return e.id <= 0; });
    return s;
}

QHash<quint64, quint64> ApplyRound(TDM& dm, const std::vector<RowChange>& changes) {
    QHash<quint64, quint64> applied;
    std::vector<TaskItem> newTasks;
    std::vector<EventItem> newEvents;
    std::vector<int> newTaskIds, newEventIds;
    std::vector<qint64> gone[2];
    bool touched[2] = {false, false};
    for (const RowChange& c : changes) {
        TMemTable& t = c.kind == ItemKind::Task ? dm.cdsTask : dm.cdsBirth;
        const int k = int(c.kind);
        if (c.change == RowChange::Add) {
            if (c.kind == ItemKind::Task) {
                newTasks.push_back(c.task);
                if (c.conflictCopy)
                    newTasks.back().caption = ConflictCaption(c.task.caption, captionSize(t));
                newTaskIds.push_back(c.id);
            } else {
                newEvents.push_back(c.event);
                if (c.conflictCopy)
                    newEvents.back().caption = ConflictCaption(c.event.caption, captionSize(t));
                newEventIds.push_back(c.id);
            }
            continue;
        }
        if (hashOf(t, c.kind, c.id) != c.expectHash) continue;  // edited here meanwhile
        touched[k] = true;
        if (c.change == RowChange::Delete) {
            gone[k].push_back(c.id);
            applied.insert(SyncRound::RowKey(c.kind, c.id), 0);
        } else if (c.kind == ItemKind::Task) {
            setTask(t, c.task);
        } else {
            setEvent(t, c.event);
        }
    }
    if (!newTasks.empty()) TaskRowWriter(dm.cdsTask).Append(newTasks, newTaskIds);
    if (!newEvents.empty()) EventRowWriter(dm.cdsBirth).Append(newEvents, newEventIds);
    dm.cdsTask.DeleteByKeys(gone[0]);
    dm.cdsBirth.DeleteByKeys(gone[1]);
    if (touched[0] || !newTasks.empty()) dm.ApplyTable(dm.cdsTask);
    if (touched[1] || !newEvents.empty()) dm.ApplyTable(dm.cdsBirth);
    for (const RowChange& c : changes) {
        if (c.change == RowChange::Delete) continue;
        TMemTable& t = c.kind == ItemKind::Task ? dm.cdsTask : dm.cdsBirth;
        if (const auto h = hashOf(t, c.kind, c.id))
            applied.insert(SyncRound::RowKey(c.kind, c.id), *h);
    }
    return applied;
}
