// Files written the way other programs write them (kept in
// tests/ical/samples: a mail program's calendar, a web calendar, a phone),
// read into tasks and events; and broken files, whose message names the
// line.
#include <gtest/gtest.h>

#include <QFile>

#include "core/Error.h"
#include "ical/IcalReader.h"
#include "tests/ical/IcalTestSupport.h"

namespace {

QByteArray sample(const char* name) {
    QFile f(QStringLiteral(QUILLET_SOURCE_DIR "/tests/ical/samples/") + QLatin1String(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

}  // namespace

TEST(IcalImport, ReadsWhatOtherCalendarsWrite) {
    const struct {
        const char* file;
        QStringList tasks, events;
        int withoutDate, other;
    } cases[] = {
        // Thunderbird: a zone of the file, an alarm before DUE, a finished
        // task with a due day alone, a yearly birthday, a one-off visit.
        {"thunderbird.ics",
         {"Сдать отчёт | Работа |  | 10.12.2026 17:30:00 | open | "
          "b2c1a7e0-5f0e-4c1e-9d7f-2f4a3a1c0e11",
          "Купить подарок | Дом, Праздник | Список:/- книга/- цветы/Срок: 20.12.2026 | - | done | "
          "0f6e1a2b-3c4d-4e5f-8a9b-0c1d2e3f4a5b",
          "Стоматолог |  |  | 15.12.2026 09:15:00 | open | 9a8b7c6d-5e4f-4a3b-2c1d-0e9f8a7b6c5d"},
         {"Мама | 12.04.1952 | 1 | 1 |  | 5d4c3b2a-1f0e-4d9c-8b7a-6f5e4d3c2b1a"},
         0,
         0},
        // Evolution: its long zone names, a line folded after its colon, an
        // alarm from the start of a task that has only a due moment, a memo.
        {"evolution.ics",
         {"Продлить страховку |  |  | 14.01.2027 12:00:00 | open | "
          "20261201T101500Z-1234-1000-1-7@host"},
         {"Годовщина свадьбы | 17.09.1999 | 2 | 1 | Заказать столик | "
          "20261201T103000Z-1234-1000-1-10@host"},
         0,
         1},
        // A web calendar: empty values, a weekly meeting with its moved
        // instance, times in UTC, lines folded inside a letter's bytes.
        {"google.ics",
         {"Планёрка 📋 |  | Повестка: отчёт, план | 07.12.2026 09:50:00 | open | "
          "7h2k3j4l5m6n@google.com",
          "Звонок в Цюрих — Café |  | Длинное описание, которое веб-календарь складывает на "
          "строки по 75 октетов, разрывая буквы где придётся./Начало: 18.12.2026 18:00:00 | - | "
          "open | 9x8y7z6w@google.com"},
         {"Лена | 04.07.1986 | 0 | 1 |  | 3kq9v0abcd1234@google.com"},
         0,
         1},
        // A phone: a byte order mark, bare line feeds, an alarm at a moment
        // in UTC, the last day of February, a task with a start alone.
        {"phone.ics",
         {"Ужин |  |  | 24.12.2026 19:00:00 | open | A1B2C3D4-E5F6-4789-ABCD-0123456789AB",
          "Позвонить маме |  | Начало: 09.12.2026 09:00:00 | - | open | "
          "C3D4E5F6-A7B8-4901-CDEF-23456789ABCD"},
         {"Саша | 29.02.2000 | 1 | 1 |  | B2C3D4E5-F6A7-4890-BCDE-123456789ABC"},
         0,
         0},
    };
    for (const auto& c : cases) {
        const FileItems items = ReadICalendar(sample(c.file));
        EXPECT_EQ(DescribeAll(items.tasks), c.tasks) << c.file;
        EXPECT_EQ(DescribeAll(items.events), c.events) << c.file;
        EXPECT_EQ(items.withoutDate, c.withoutDate) << c.file;
        EXPECT_EQ(items.otherRecords, c.other) << c.file;
    }
}

TEST(IcalImport, BrokenFilesNameTheLine) {
    const char* head = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\n";
    const struct {
        QByteArray text;
        const char* message;
    } cases[] = {
        {QByteArray(head) + "DTSTART:завтра\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
         "Строка 4: значение не читается: «DTSTART:завтра»"},
        {QByteArray(head) + "SUMMARY Ужин\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
         "Строка 4: это не строка iCalendar"},
        {QByteArray(head) + "END:VTODO\r\nEND:VCALENDAR\r\n",
         "Строка 4: END:VTODO закрывает BEGIN:VEVENT из строки 3."},
        {QByteArray(head) + "END:VEVENT\r\n", "Строка 1: BEGIN:VCALENDAR не закрыт"},
        {"SUMMARY:Ужин\r\nBEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n",
         "Строка 1: «SUMMARY:Ужин» стоит вне календаря"},
        {QByteArray(head) + "DESCRIPTION:a\r\n b\r\n c\r\nBEGIN:VALARM\r\nTRIGGER:скоро\r\n",
         "Строка 8: значение не читается"},
        {QByteArray(head) + "END:VEVENT\r\nEND:VCALENDAR\r\nEND:VCALENDAR\r\n",
         "Строка 6: «END:VCALENDAR» стоит вне календаря"},
        {"", "В файле нет календаря"},
        {"\r\n\r\n", "В файле нет календаря"},
    };
    for (const auto& c : cases) {
        try {
            ReadICalendar(c.text);
            ADD_FAILURE() << "read: " << c.text.toStdString();
        } catch (const EQuillet& e) {
            EXPECT_TRUE(e.message().startsWith(QString::fromUtf8(c.message)))
                << e.message().toStdString();
        }
    }
    // What the program does not read may be odd: an unknown property, a bad
    // value of a property it passes over.
    const FileItems items = ReadICalendar(
        QByteArray(head) +
        "SUMMARY:Ужин\r\nFOO:bar\r\nGEO:north\r\nDTSTART:20261224T190000\r\nEND:VEVENT\r\n"
        "END:VCALENDAR\r\n");
    ASSERT_EQ(items.tasks.size(), 1u);
    EXPECT_EQ(items.tasks[0].caption, "Ужин");
}
