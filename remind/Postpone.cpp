#include "remind/Postpone.h"

namespace {

// Tomorrow (from `moment`) at `hour` o'clock.
TDateTime tomorrowAt(TDateTime moment, int hour) {
    qint64 days, msOfDay;
    SplitDateTime(moment, days, msOfDay);
    return JoinDateTime(days + 1, hour * MsPerHour);
}

}  // namespace

TDateTime PostponeMoment(PostponeChoice choice, TDateTime now) {
    switch (choice) {
        case PostponeChoice::In5Minutes:
            return AddMs(now, 5 * MsPerMinute);
        case PostponeChoice::In15Minutes:
            return AddMs(now, 15 * MsPerMinute);
        case PostponeChoice::In30Minutes:
            return AddMs(now, 30 * MsPerMinute);
        case PostponeChoice::In1Hour:
            return AddMs(now, MsPerHour);
        case PostponeChoice::In2Hours:
            return AddMs(now, 2 * MsPerHour);
        case PostponeChoice::In1Day:
            return AddMs(now, MsPerDay);
        case PostponeChoice::In2Days:
            return AddMs(now, 2 * MsPerDay);
        case PostponeChoice::In5Days:
            return AddMs(now, 5 * MsPerDay);
        case PostponeChoice::Tomorrow8:
            return tomorrowAt(now, 8);
        case PostponeChoice::Tomorrow12:
            return tomorrowAt(now, 12);
    }
    return now;
}

TDateTime PostponeAfter(TDateTime now, int days, int hours, int minutes) {
    return AddMs(now, days * MsPerDay + hours * MsPerHour + minutes * MsPerMinute);
}

TDateTime PostponeAt(const QDate& date, const QTime& time) {
    return FromQDateTime(date, QTime(time.hour(), time.minute(), time.second()));
}
