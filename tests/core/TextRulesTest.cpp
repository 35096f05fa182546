// Russian plural forms, the years an event counts, and texts fitted to
// Windows-1251.
#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "core/EventDates.h"
#include "core/Plural.h"
#include "core/StorableText.h"
#include "core/Win1251.h"

TEST(TextRules, PluralFormsFollowTheLastDigits) {
    const struct {
        qint64 n;
        const char* years;
        const char* tasks;
    } cases[] = {
        {0, "0 лет", "0 заданий"},       {1, "1 год", "1 задание"},
        {2, "2 года", "2 задания"},      {4, "4 года", "4 задания"},
        {5, "5 лет", "5 заданий"},       {11, "11 лет", "11 заданий"},
        {12, "12 лет", "12 заданий"},    {14, "14 лет", "14 заданий"},
        {21, "21 год", "21 задание"},    {22, "22 года", "22 задания"},
        {51, "51 год", "51 задание"},    {100, "100 лет", "100 заданий"},
        {101, "101 год", "101 задание"}, {111, "111 лет", "111 заданий"},
        {112, "112 лет", "112 заданий"}, {1000001, "1000001 год", "1000001 задание"},
        {-3, "-3 года", "-3 задания"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CountOf(c.n, Nouns::Years), QString::fromUtf8(c.years)) << c.n;
        EXPECT_EQ(CountOf(c.n, Nouns::Tasks), QString::fromUtf8(c.tasks)) << c.n;
    }
    EXPECT_EQ(PluralForm(std::numeric_limits<qint64>::min(), Nouns::Events), "событий");
}

TEST(TextRules, EventsCountTheYearsSinceTheirStoredYear) {
    const struct {
        TDateTime date;
        bool birthday;
        int year;
        const char* text;
    } cases[] = {
        {EncodeDate(1975, 3, 8), true, 2026, "исполняется 51 год"},
        {EncodeDate(2024, 12, 31), true, 2026, "исполняется 2 года"},
        {EncodeDate(2021, 1, 1), true, 2026, "исполняется 5 лет"},
        {EncodeDate(2001, 6, 1), false, 2026, "25 лет со дня события"},
        {EncodeDate(2025, 6, 1) + 0.5, false, 2026, "1 год со дня события"},
        {EncodeDate(1980, 2, 29), true, 2027, "исполняется 47 лет"},
        {EncodeDate(2026, 5, 5), true, 2026, ""},         // born this year
        {EncodeDate(2030, 5, 5), true, 2026, ""},         // a year still to come
        {EncodeDate(YearUnknown, 3, 8), true, 2026, ""},  // no year known
        {EncodeDate(1600, 3, 8), false, 2026, ""},        // nor before it
    };
    for (const auto& c : cases)
        EXPECT_EQ(EventAgeText(c.date, c.birthday, c.year), QString::fromUtf8(c.text)) << c.text;
}

TEST(TextRules, TextsOutsideTheCodePageKeepTheirNearestLetters) {
    const struct {
        const char* in;
        const char* out;
        bool changed;
    } cases[] = {
        {"Ёлка — «праздник» №1", "Ёлка — «праздник» №1", false},
        {"Café Zürich", "Cafe Zurich", true},
        {"ﬁnal ½", "final ?", true},  // a fraction's slash is not in the code page
        {"A‐B−C", "A-B-C", true},
        {"Łódź", "?odz", true},
        {"День 🎂 рождения", "День ? рождения", true},
        {"中文", "??", true},
        {"", "", false},
    };
    for (const auto& c : cases) {
        bool changed = false;
        const QString out = FitWin1251(QString::fromUtf8(c.in), &changed);
        EXPECT_EQ(out, QString::fromUtf8(c.out)) << c.in;
        EXPECT_EQ(changed, c.changed) << c.in;
        EXPECT_EQ(ThroughWin1251(out), out) << "the result is Windows-1251 whole: " << c.in;
    }
}

TEST(TextRules, BytesWrittenInPlaceStopAtTheirRoom) {
    const struct {
        const char* in;
        qsizetype room;
        QByteArray out;
    } cases[] = {
        {"Ёлка", 10, "\xA8\xEB\xEA\xE0"},
        {"Ёлка", 2, "\xA8\xEB"},
        {"🎂 and", 3, "? a"},  // a character outside the code page takes one byte
        {"x", 0, ""},
    };
    for (const auto& c : cases) {
        char buf[16];
        const qsizetype n = WriteWin1251(QString::fromUtf8(c.in), buf, c.room);
        EXPECT_EQ(QByteArray(buf, n), c.out) << c.in << " in " << c.room;
    }
}

TEST(TextRules, WhatCannotBeStoredIsLeftOutAndNamedOnce) {
    const struct {
        const char* in;
        int pos;
        const char* kept;
        int keptPos;
        const char* leftOut;
    } cases[] = {
        {"Ёлка — «праздник» №1 €", 5, "Ёлка — «праздник» №1 €", 5, ""},
        {"漢a✓b漢", 5, "ab", 2, "漢✓"},
        {"x漢y", 1, "xy", 1, "漢"},  // the caret before what goes stays
        {"День 🎂 рождения 🎂", 7, "День  рождения ", 5, "🎂"},
        {"🎂", 1, "", 0, "🎂"},  // the caret between the halves of a pair
        {"", 0, "", 0, ""},
    };
    for (const auto& c : cases) {
        const StorableText r = KeepStorable(QString::fromUtf8(c.in), c.pos);
        EXPECT_EQ(r.kept, QString::fromUtf8(c.kept)) << c.in;
        EXPECT_EQ(r.pos, c.keptPos) << c.in;
        EXPECT_EQ(r.leftOut, QString::fromUtf8(c.leftOut)) << c.in;
    }
    EXPECT_EQ(LeftOutNotice(QString::fromUtf8("漢✓")),
              QString::fromUtf8("Пропущены знаки, которых нет в кодировке базы данных: 漢 ✓"));
    EXPECT_TRUE(LeftOutNotice(QString::fromUtf8("αβγδεζηθικλ")).endsWith(QString::fromUtf8("κ …")))
        << "ten named, the rest only hinted";
}
