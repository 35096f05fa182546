#include "core/EventDates.h"

TDateTime EventDayInYear(TDateTime eventDate, int year) {
    const DateParts d = DecodeDate(eventDate);
    TDateTime result;
    if (TryEncodeDate(year, d.month, d.day, result)) return result;
    return EncodeDate(year, d.month, DaysInAMonth(year, d.month));
}
