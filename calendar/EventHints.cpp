#include "calendar/EventHints.h"

#include "calendar/EventRows.h"
#include "core/EventDates.h"
#include "data/MemTable.h"

QStringList EventHintsOn(const TMemTable& t, TDateTime day) {
    QStringList lines;
    if (!t.Active()) return lines;
    const int cCaption = t.FieldIndex(QStringLiteral("CAPTION"));
    const int cDate = t.FieldIndex(QStringLiteral("DATE"));
    const int cVid = t.FieldIndex(QStringLiteral("VID"));
    if (cCaption < 0 || cDate < 0) return lines;
    const int year = YearOf(day);
    for (int r = 0; r < t.RecordCount(); ++r) {
        const TDateTime date = t.Cell(r, cDate).toFloat();
        if (!EventFallsOn(date, day)) continue;
        const bool birthday = cVid >= 0 && t.Cell(r, cVid).toInt() == 1;
        const QString age = EventAgeText(date, birthday, year);
        const QString name = t.Cell(r, cCaption).toText();
        lines << (age.isEmpty() ? name : name + QStringLiteral(" — ") + age);
    }
    return lines;
}
