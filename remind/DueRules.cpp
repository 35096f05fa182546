#include "remind/DueRules.h"

#include "core/Error.h"
#include "core/EventDates.h"
#include "data/MemTable.h"

namespace {

int column(const TMemTable& t, const char* name) {
    const int c = t.FieldIndex(QLatin1String(name));
    if (c < 0)
        throw EQuillet(
            QStringLiteral("В таблице %1 нет столбца %2").arg(t.TableName(), QLatin1String(name)));
    return c;
}

// Days from `today` (whose year is `year`) to the event's day in that year;
// negative once the day has passed.
double leadDays(TDateTime eventDate, TDateTime today, int year) {
    return EventDayInYear(eventDate, year) - today;
}

}  // namespace

int FindDueTask(const TMemTable& t, TDateTime now) {
    if (!t.Active()) return -1;
    const int cAlert = column(t, "NEEDALERT"), cNotified = column(t, "NOTIFIED");
    const int cDone = column(t, "EXECUTED"), cWhen = column(t, "DATETIME");
    for (int row = 0; row < t.RecordCount(); ++row) {
        if (!t.Cell(row, cAlert).toFlag() || t.Cell(row, cNotified).toFlag() ||
            t.Cell(row, cDone).toFlag())
            continue;
        const Value& when = t.Cell(row, cWhen);
        if (now >= when.toFloat()) return row;
        // Every later row is due later still.
        if (!when.isNull()) return -1;
    }
    return -1;
}

int FindDueEvent(const TMemTable& b, int from, TDateTime now, int notifyDays,
                 TDateTime notifyTime) {
    if (!b.Active()) return -1;
    // Before the notice time of the day nothing is announced.
    if (MsOfDay(now) < MsOfDay(notifyTime)) return -1;
    const int cDate = column(b, "DATE"), cNotified = column(b, "NOTIFIED");
    // The day is worked out once a pass (it runs ten times a second over
    // every event).
    const TDateTime today = DateOf(now);
    const int year = YearOf(today);
    for (int row = std::max(from, 0); row < b.RecordCount(); ++row)
        if (!b.Cell(row, cNotified).toFlag() &&
            leadDays(b.Cell(row, cDate).toFloat(), today, year) < notifyDays)
            return row;
    return -1;
}
