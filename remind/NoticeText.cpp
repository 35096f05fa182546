#include "remind/NoticeText.h"

#include "core/EventDates.h"
#include "core/Formats.h"
#include "data/Records.h"

QString EventDateLine(TDateTime date, int vid, int year) {
    const QString age = EventAgeText(date, vid == 1, year);
    const QString day = FormatShortDate(date);
    return age.isEmpty() ? day : day + QStringLiteral(", ") + age;
}

DesktopNotice TaskNotice(const QString& caption, const QString& momentLine) {
    return {caption.trimmed().isEmpty() ? QStringLiteral("Напоминание (план)") : caption,
            momentLine};
}

DesktopNotice EventNotice(const QString& caption, int vid, const QString& dateLine) {
    QString kind = EventKindName(vid);
    kind =
        vid >= 1 && vid < EventKindCount ? kind.mid(1, kind.size() - 2) : QStringLiteral("Событие");
    return {caption.trimmed().isEmpty() ? QStringLiteral("Напоминание (событие)") : caption,
            kind + u'\n' + dateLine};
}
