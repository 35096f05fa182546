// The texts beside a reminder: an event notice's date line with the years
// that pass, and the desktop notification of each kind of reminder.
#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "core/EventDates.h"
#include "core/Formats.h"
#include "remind/NoticeText.h"

TEST(NoticeText, TheDateLineTellsTheYearsThatPass) {
    SetFormatLocale(QLocale(QLocale::Russian, QLocale::Russia));
    const struct {
        TDateTime date;
        int vid;
        const char* line;
    } cases[] = {
        {EncodeDate(1975, 12, 8), 1, "08.12.1975, исполняется 51 год"},
        {EncodeDate(2024, 3, 8), 1, "08.03.2024, исполняется 2 года"},
        {EncodeDate(2001, 6, 1), 2, "01.06.2001, 25 лет со дня события"},
        {EncodeDate(1970, 1, 1), 0, "01.01.1970, 56 лет со дня события"},
        {EncodeDate(2026, 1, 1), 1, "01.01.2026"},
        {EncodeDate(YearUnknown, 5, 5), 1, "05.05.1604"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EventDateLine(c.date, c.vid, 2026), QString::fromUtf8(c.line)) << c.line;
}

TEST(NoticeText, NotificationsCarryTheCaptionAndTheMoment) {
    const struct {
        DesktopNotice notice;
        const char* summary;
        const char* body;
    } cases[] = {
        {TaskNotice("Позвонить в банк", "08.12.2026 14:30:00"), "Позвонить в банк",
         "08.12.2026 14:30:00"},
        {TaskNotice("  ", "08.12.2026"), "Напоминание (план)", "08.12.2026"},
        {EventNotice("Анна", 1, "08.12.1975, исполняется 51 год"), "Анна",
         "День рождения\n08.12.1975, исполняется 51 год"},
        {EventNotice("Свадьба", 2, "01.06.2001"), "Свадьба", "Радостное событие\n01.06.2001"},
        {EventNotice("", 0, "01.06.2001"), "Напоминание (событие)", "Событие\n01.06.2001"},
        {EventNotice("Иное", 9, "01.06.2001"), "Иное", "Событие\n01.06.2001"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.notice.summary, QString::fromUtf8(c.summary));
        EXPECT_EQ(c.notice.body, QString::fromUtf8(c.body));
    }
}
