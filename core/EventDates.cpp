#include "core/EventDates.h"

#include "core/Plural.h"

TDateTime EventDayInYear(TDateTime eventDate, int year) {
    const DateParts d = DecodeDate(eventDate);
    TDateTime result;
    if (TryEncodeDate(year, d.month, d.day, result)) return result;
    return EncodeDate(year, d.month, DaysInAMonth(year, d.month));
}

int EventYearsIn(TDateTime eventDate, int year) {
    const int stored = YearOf(eventDate);
    if (stored <= YearUnknown || stored >= year) return 0;
    return year - stored;
}

QString EventAgeText(TDateTime eventDate, bool birthday, int year) {
    const int years = EventYearsIn(eventDate, year);
    if (years == 0) return {};
    const QString count = CountOf(years, Nouns::Years);
    return birthday ? QStringLiteral("исполняется ") + count
                    : count + QStringLiteral(" со дня события");
}
