#include "calendar/EventRows.h"

#include <iterator>
#include <utility>

#include "core/Error.h"
#include "core/EventDates.h"
#include "core/Formats.h"
#include "data/MemTable.h"
#include "data/Records.h"

namespace {

int column(const TMemTable& t, const char* name) {
    const int c = t.FieldIndex(QLatin1String(name));
    if (c < 0)
        throw EQuillet(QStringLiteral("В таблице BIRTH нет столбца %1").arg(QLatin1String(name)));
    return c;
}

void writeValue(TField f, const Value& v) {
    switch (v.kind()) {
        case Value::Null:
            f.SetNull();
            break;
        case Value::Int:
            f.SetInteger(v.toInt());
            break;
        case Value::Float:
            f.SetFloat(v.toFloat());
            break;
        case Value::Text:
            f.SetString(v.toText());
            break;
        case Value::Bytes:
            f.SetBytes(v.toBytes());
            break;
    }
}

}  // namespace

bool EventFallsOn(TDateTime eventDate, TDateTime day) {
    const TDateTime d = DateOf(day);
    return EventDayInYear(eventDate, YearOf(d)) == d;
}

std::vector<std::optional<int>> EventKindsOfYear(const TMemTable& t, int year) {
    std::vector<std::optional<int>> kinds(size_t(IsLeapYear(year) ? 366 : 365));
    if (!t.Active()) return kinds;
    const int cDate = column(t, "DATE"), cVid = column(t, "VID");
    const TDateTime jan1 = EncodeDate(year, 1, 1);
    const int count = t.RecordCount();
    for (int r = 0; r < count; ++r) {
        // The event's day in `year` always lies within it.
        const int day = int(EventDayInYear(t.Cell(r, cDate).toFloat(), year) - jan1);
        if (day >= 0 && day < int(kinds.size())) kinds[size_t(day)] = int(t.Cell(r, cVid).toInt());
    }
    return kinds;
}

std::vector<EventRow> BuildEventRows(const TMemTable& t, bool dayMode, TDateTime day) {
    std::vector<EventRow> rows;
    if (!t.Active()) return rows;
    const int cId = column(t, "ID"), cCaption = column(t, "CAPTION"), cDate = column(t, "DATE"),
              cVid = column(t, "VID"), cCategory = column(t, "CATEGORY"),
              cComment = column(t, "COMMENT"), cNotified = column(t, "NOTIFIED");
    const QString kinds[EventKindCount + 1] = {EventKindName(0), EventKindName(1), EventKindName(2),
                                               EventKindName(3), EventKindName(-1)};
    const QString states[2] = {EventStateName(false), EventStateName(true)};
    const int count = t.RecordCount();
    rows.reserve(size_t(dayMode ? 16 : count));
    for (int r = 0; r < count; ++r) {
        const TDateTime date = t.Cell(r, cDate).toFloat();
        if (dayMode && !EventFallsOn(date, day)) continue;
        EventRow& row = rows.emplace_back();
        row.id = int(t.Cell(r, cId).toInt());
        row.caption = t.Cell(r, cCaption).toText();
        row.date = FormatShortDate(date);
        const Value& vid = t.Cell(r, cVid);
        const qint64 kind = vid.isNull() ? 0 : vid.toInt();
        row.kind = kinds[kind >= 0 && kind < EventKindCount ? kind : EventKindCount];
        const Value& category = t.Cell(r, cCategory);
        if (!category.isNull()) row.category = QString::number(category.toInt());
        row.state = states[t.Cell(r, cNotified).toFlag()];
        row.comment = t.Cell(r, cComment).toText();
    }
    return rows;
}

QStringList EventNamesOn(const TMemTable& t, TDateTime day) {
    QStringList names;
    if (!t.Active()) return names;
    const int cCaption = column(t, "CAPTION"), cDate = column(t, "DATE");
    for (int r = 0; r < t.RecordCount(); ++r)
        if (EventFallsOn(t.Cell(r, cDate).toFloat(), day)) names << t.Cell(r, cCaption).toText();
    return names;
}

EventValues ReadEventValues(TMemTable& t) {
    const int row = t.RecNo();
    auto cell = [&](const char* name) { return t.Cell(row, column(t, name)); };
    return {cell("CAPTION"),  cell("DATE"),    cell("VID"),
            cell("CATEGORY"), cell("COMMENT"), cell("NOTIFIED")};
}

void WriteEventValues(TMemTable& t, const EventValues& v) {
    const std::pair<const char*, const Value*> fields[] = {
        {"CAPTION", &v.caption},   {"DATE", &v.date},       {"VID", &v.vid},
        {"CATEGORY", &v.category}, {"COMMENT", &v.comment}, {"NOTIFIED", &v.notified}};
    for (unsigned i = 0; i < std::size(fields); ++i)
        if (!(v.leftAlone & (1u << i)))
            writeValue(t.FieldByName(QLatin1String(fields[i].first)), *fields[i].second);
}
