// What the bytes of the previous version's records mean.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/DateTime.h"
#include "data/OldRecords.h"
#include "tests/import/OldFileBytes.h"

namespace {

const TDateTime Moment = EncodeDateTime(2009, 3, 14, 15, 9, 26, 0);

QString repeat(const char* s, int n) {
    return QString::fromUtf8(s).repeated(n);
}

}  // namespace

TEST(OldRecordsTest, TaskFields) {
    struct Case {
        const char* name;
        QByteArray bytes;
        TDateTime when;
        bool alert;
        QString caption, category, details;
        bool executed, notified;
    };
    const QString full50 = repeat("Я", 50), full20 = repeat("ё", 20), full200 = repeat("Ъz", 100);
    const QByteArray leftovers = [] {
        QByteArray r = OldTask(Moment, 1, "Длинное старое название", "Дом", "Подробно", 0, 0);
        PutByte(r, 9, 0);   // emptied title, old letters behind
        PutByte(r, 60, 1);  // one letter kept of three
        return r;
    }();
    const QByteArray tooLong = [&] {
        QByteArray r = OldTask(0, 0, full50, full20, full200);
        PutByte(r, 9, 255);
        PutByte(r, 60, 21);
        PutByte(r, 81, 201);
        return r;
    }();
    const Case cases[] = {
        {"plain", OldTask(Moment, 1, "Купить хлеб", "Дом", "Батон\r\nи молоко", 0, 0), Moment, true,
         "Купить хлеб", "Дом", "Батон\r\nи молоко", false, false},
        {"byte 8 zero drops the date", OldTask(Moment, 0, "Без даты"), 0, false, "Без даты", "", "",
         false, false},
        {"any non-zero byte is true", OldTask(Moment, 0x80, "x", "", "", 2, 0xFF), Moment, true,
         "x", "", "", true, true},
        {"texts at full capacity", OldTask(Moment, 1, full50, full20, full200, 0, 0), Moment, true,
         full50, full20, full200, false, false},
        {"zero length with leftovers", leftovers, Moment, true, "", "Д", "Подробно", false, false},
        {"length past the room reads as the room", tooLong, 0, false, full50, full20, full200,
         false, false},
        {"unusable date with the alert byte", OldTask(1e300, 1, "y"), 0, true, "y", "", "", false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<TOldTaskRec> r = ReadOldTasks(c.bytes);
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].dateTime, c.when);
        EXPECT_EQ(r[0].needAlert, c.alert);
        EXPECT_EQ(r[0].caption, c.caption);
        EXPECT_EQ(r[0].category, c.category);
        EXPECT_EQ(r[0].details, c.details);
        EXPECT_EQ(r[0].executed, c.executed);
        EXPECT_EQ(r[0].notified, c.notified);
    }
}

TEST(OldRecordsTest, WholeRecordsOnly) {
    const QByteArray task = OldTask(Moment, 1, "a");
    const QByteArray event = OldBirth(Moment, "b");
    struct Case {
        qsizetype size;
        size_t tasks, events;
    };
    for (const Case& c : {Case{0, 0, 0}, Case{119, 0, 0}, Case{120, 0, 1}, Case{287, 0, 2},
                          Case{288, 1, 2}, Case{600, 2, 5}}) {
        SCOPED_TRACE(c.size);
        const QByteArray tasks = task.repeated(3).left(c.size);
        const QByteArray events = event.repeated(6).left(c.size);
        EXPECT_EQ(ReadOldTasks(tasks).size(), c.tasks);
        EXPECT_EQ(ReadOldBirths(events).size(), c.events);
    }
    EXPECT_EQ(ReadOldTasks(task.repeated(2) + QByteArray(24, '\x7F')).back().caption, "a")
        << "600 bytes: two tasks, the last 24 bytes ignored";
}

TEST(OldRecordsTest, DatesOutsideTheYearsOneTo9999ReadAsZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const TDateTime first = EncodeDate(1, 1, 1), last = EncodeDate(9999, 12, 31);
    struct Case {
        double stored, read;
    };
    const Case cases[] = {
        {Moment, Moment},
        {0, 0},
        {nan, 0},
        {-nan, 0},
        {inf, 0},
        {-inf, 0},
        {1e300, 0},
        {-1e300, 0},
        {std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::denorm_min()},
        {first, first},
        {first - 0.5, first - 0.5},  // noon of the first day: the fraction counts from it
        {first - 1, 0},
        {first - 0.9999999999, 0},  // rounds to the day before
        {last + 0.999, last + 0.999},
        {last + 0.9999999999, 0},  // rounds to the year 10000
        {last + 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        QByteArray field(8, '\0');
        PutDouble(field, 0, c.stored);
        EXPECT_EQ(OldDate(field.constData()), c.read);
    }
}
