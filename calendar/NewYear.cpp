#include "calendar/NewYear.h"

#include "core/Clock.h"
#include "core/DateTime.h"
#include "data/DataModule.h"
#include "settings/Settings.h"

bool NewYearDue(int curYear, int clockYear) {
    return curYear != clockYear;
}

QString NewYearQuestion(int year) {
    return QStringLiteral(
               "Установить новый %1 год в календаре и изменить состояние событий на "
               "\"Будет!\"?")
        .arg(year);
}

void ResetEventStates(TMemTable& t) {
    if (!t.Active()) return;
    TField notified = t.FieldByName(QStringLiteral("NOTIFIED"));
    for (t.First(); !t.Eof(); t.Next()) {
        t.Edit();
        notified.SetBoolean(false);
        t.Post();
    }
}

void NewYearRollover(TDM& dm, const std::function<bool(int year)>& ask) {
    ReadCurYear();
    const int year = YearOf(Now());
    if (!NewYearDue(CurYear, year)) return;
    if (!ask(year)) return;
    // The clock is read again: the question may have stood over midnight.
    CurYear = quint16(YearOf(Now()));
    ResetEventStates(dm.cdsBirth);
    dm.ApplyTable(dm.cdsBirth);
    WriteCurYear();
}
