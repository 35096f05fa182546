// The shared routines: date-time arithmetic, formats, clock, code page.
#include <gtest/gtest.h>

#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/Error.h"
#include "core/ExePath.h"
#include "core/Formats.h"
#include "core/Win1251.h"

class GlobalTest : public ::testing::Test {
  protected:
    void SetUp() override { SetFormatLocale(QLocale(QLocale::Russian, QLocale::Russia)); }
    void TearDown() override { Clock::Reset(); }
};

TEST_F(GlobalTest, DateTimeArithmeticMatchesTheDayCount) {
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2);
    EXPECT_DOUBLE_EQ(EncodeDate(2026, 12, 8), 46364);
    EXPECT_DOUBLE_EQ(FromQDate(QDate(2026, 12, 8)), 46364);
    EXPECT_THROW(EncodeDate(2026, 2, 29), EQuillet);
    TDateTime leap;
    EXPECT_TRUE(TryEncodeDate(2024, 2, 29, leap));

    const TDateTime dt = EncodeDateTime(2026, 12, 8, 14, 37, 52, 123);
    const DateParts d = DecodeDate(dt);
    const TimeParts t = DecodeTime(dt);
    EXPECT_EQ((std::array{d.year, d.month, d.day}), (std::array{2026, 12, 8}));
    EXPECT_EQ((std::array{t.hour, t.minute, t.second, t.msec}), (std::array{14, 37, 52, 123}));
    EXPECT_EQ(DayOfTheWeek(dt), 2) << "8 December 2026 is a Tuesday";
    EXPECT_EQ(DayOfTheWeek(EncodeDate(2026, 12, 13)), 7);
    EXPECT_EQ(DayOfTheWeek(0), 6);
    EXPECT_DOUBLE_EQ(DateOf(dt), 46364);

    // A value a hair below midnight rounds to the next day's 00:00.
    const TimeParts edge = DecodeTime(EncodeDate(2026, 12, 8) + 0.99999999999);
    EXPECT_EQ(edge.hour, 0);
    EXPECT_EQ(DecodeDate(EncodeDate(2026, 12, 8) + 0.99999999999).day, 9);
    // Before 30 December 1899 the time of day counts forward from the day.
    const TDateTime before = EncodeDateTime(1899, 12, 29, 6, 0, 0, 0);
    EXPECT_DOUBLE_EQ(before, -1.25);
    EXPECT_EQ(DecodeDate(before).day, 29);
    EXPECT_EQ(DecodeTime(before).hour, 6);
}

TEST_F(GlobalTest, FormatsFollowTheLocaleWithoutTimeZone) {
    const TDateTime dt = EncodeDateTime(2026, 12, 8, 9, 5, 7, 0);
    EXPECT_EQ(ShortDateFormat(), "dd.MM.yyyy");
    EXPECT_EQ(LongTimeFormat(), "HH:mm:ss");
    EXPECT_EQ(FormatShortDate(dt), "08.12.2026");
    EXPECT_EQ(FormatLongTime(dt), "09:05:07");
    EXPECT_EQ(FormatHourMinute(dt), "09:05");
    EXPECT_EQ(DateTimeToStr(dt), "08.12.2026 09:05:07");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 12, 8)), "08.12.2026") << "midnight shows no time";
    EXPECT_EQ(DateTimeToStr(0), "30.12.1899");

    SetFormatLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_FALSE(LongTimeFormat().contains('t'));
    EXPECT_EQ(FormatLongTime(EncodeTime(14, 3, 20, 0)), "2:03:20 PM");
    EXPECT_EQ(FormatHourMinute(EncodeTime(14, 3, 20, 0)), "14:03");
    TDateTime t;
    ASSERT_TRUE(TryStrToTime("2:03:20 PM", t));
    EXPECT_EQ(FormatLongTime(t), "2:03:20 PM");
}

TEST_F(GlobalTest, TimeTextsReadOnlyWhenTheyAreTimes) {
    TDateTime t = -1;
    ASSERT_TRUE(TryStrToTime("10:00:00", t));
    EXPECT_DOUBLE_EQ(t, EncodeTime(10, 0, 0, 0));
    ASSERT_TRUE(TryStrToTime(" 9:05 ", t));
    EXPECT_DOUBLE_EQ(t, EncodeTime(9, 5, 0, 0));
    for (const char* bad :
         {"25:99", "24:00:00", "10:60", "", "ab:cd", "10:00:00:00", "1.5", "-1:00"})
        EXPECT_FALSE(TryStrToTime(QString::fromLatin1(bad), t)) << bad;
}

TEST_F(GlobalTest, ClockIsSetByTestsAndRunsOnWhenStarted) {
    const TDateTime moment = EncodeDateTime(2026, 12, 8, 14, 37, 52, 0);
    Clock::Freeze(moment);
    EXPECT_DOUBLE_EQ(Now(), moment);
    EXPECT_DOUBLE_EQ(Today(), EncodeDate(2026, 12, 8));
    Clock::Advance(8 * 1000);
    EXPECT_EQ(FormatLongTime(Now()), "14:38:00");
    Clock::Advance(10 * 3600 * 1000.0);
    EXPECT_EQ(DateTimeToStr(Now()), "09.12.2026 00:38:00");

    Clock::StartAt(moment);
    const TDateTime a = Now();
    EXPECT_GE(a, moment);
    EXPECT_LT(a - moment, 5.0 / 86400) << "a running clock starts at the moment given";
    Clock::Reset();
    EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
}

TEST_F(GlobalTest, Windows1251RoundTripsItsCharactersOnly) {
    const QString text = QString::fromUtf8("Ёлка ёж «№1» — €100 Ґґ Її");
    const QByteArray bytes = ToWin1251(text);
    EXPECT_EQ(bytes.size(), text.size());
    EXPECT_EQ(uchar(bytes[0]), 0xA8);
    EXPECT_EQ(FromWin1251(bytes), text);
    QByteArray all(256, 0);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    EXPECT_EQ(ToWin1251(FromWin1251(all)), all) << "every byte comes back as it was";
    EXPECT_EQ(ToWin1251(QString::fromUtf8("a漢😀b")), "a??b");
    EXPECT_EQ(ThroughWin1251(QString::fromUtf8("Привет")), QString::fromUtf8("Привет"));
    EXPECT_FALSE(IsWin1251Char(QChar(0x4E00)));
}

TEST_F(GlobalTest, ProgramFolderCanBePointedElsewhere) {
    SetExePath("/tmp/some folder/quillet");
    EXPECT_EQ(ExeDir(), "/tmp/some folder/");
    EXPECT_EQ(ExePath(), "/tmp/some folder/quillet");
}
