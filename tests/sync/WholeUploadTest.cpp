#include <gtest/gtest.h>

#include "sync/WholeUpload.h"

namespace {

QStringList uids(size_t n, const QString& odd = {}) {
    QStringList list;
    for (size_t i = 0; i < n; ++i)
        list << QStringLiteral("task-%1-3f2a@quillet").arg(i);
    if (!odd.isEmpty() && !list.isEmpty()) list.last() = odd;
    return list;
}

TEST(WholeUploadTest, FitsOnlyAManyRowFirstFillOfAnEmptyCalendar) {
    struct Case {
        const char* name;
        bool whole;
        size_t listed;
        QStringList uids;
        bool fits;
    } cases[] = {
        {"empty_and_many", true, 0, uids(kWholeUploadMin), true},
        {"too_few", true, 0, uids(kWholeUploadMin - 1), false},
        {"listed_since_token", false, 0, uids(200), false},
        {"holds_an_item", true, 1, uids(200), false},
        {"uid_with_slash", true, 0, uids(200, QStringLiteral("a/b")), false},
        {"uid_with_space", true, 0, uids(200, QStringLiteral("a b")), false},
        {"uid_dot_first", true, 0, uids(200, QStringLiteral(".hidden")), false},
        {"uid_cyrillic", true, 0, uids(200, QStringLiteral("ёж")), false},
        {"uid_plain_marks", true, 0, uids(200, QStringLiteral("A-b_c.d@e")), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WholeUploadFits(c.whole, c.listed, c.uids), c.fits) << c.name;
}

TEST(WholeUploadTest, AnswerTellsWhetherToSendOneByOne) {
    struct Case {
        CalDavResult::Kind kind;
        int status;
        WholeStep step;
    } cases[] = {
        {CalDavResult::Ok, 201, WholeStep::Done},
        {CalDavResult::Ok, 204, WholeStep::Done},
        {CalDavResult::PreconditionFailed, 412, WholeStep::OneByOne},
        {CalDavResult::BadReply, 405, WholeStep::OneByOne},
        {CalDavResult::BadReply, 409, WholeStep::OneByOne},
        {CalDavResult::BadReply, 415, WholeStep::OneByOne},
        {CalDavResult::Unauthorized, 403, WholeStep::OneByOne},
        {CalDavResult::ServerError, 507, WholeStep::OneByOne},
        {CalDavResult::Unauthorized, 401, WholeStep::Stop},
        {CalDavResult::Unreachable, 0, WholeStep::Stop},
        {CalDavResult::Refused, 0, WholeStep::Stop},
    };
    for (const Case& c : cases) {
        CalDavResult r;
        r.kind = c.kind;
        r.httpStatus = c.status;
        EXPECT_EQ(WholeStepOf(r), c.step) << c.status;
    }
}

TEST(WholeUploadTest, ALargerUploadWaitsOutALongerSilence) {
    const struct {
        size_t items;
        int timeout, expected;
    } cases[] = {{0, 15000, 15000}, {10000, 15000, 115000}, {100000000, 15000, 3600000}};
    for (const auto& c : cases)
        EXPECT_EQ(WholeUploadTimeoutMs(c.items, c.timeout), c.expected) << c.items;
}

TEST(WholeUploadTest, JoinedCalendarHoldsEachComponentAndEachZoneOnce) {
    const QByteArray zone =
        "BEGIN:VTIMEZONE\r\nTZID:Europe/Moscow\r\nBEGIN:STANDARD\r\nTZOFFSETTO:+0300\r\n"
        "END:STANDARD\r\nEND:VTIMEZONE\r\n";
    const QByteArray a = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Q//RU\r\n" + zone +
                         "BEGIN:VEVENT\r\nUID:a\r\nSUMMARY:long\r\n  folded\r\nBEGIN:VALARM\r\n"
                         "ACTION:DISPLAY\r\nEND:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    const QByteArray b = "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Other//EN\n" + zone +
                         "BEGIN:VTODO\nUID:b\nEND:VTODO\nEND:VCALENDAR\n";
    const QByteArray joined = JoinCalendar({a, b}, QStringLiteral("Дом, дача; сад"));
    const QByteArray expected =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Q//RU\r\n"
        "X-WR-CALNAME:" +
        QStringLiteral("Дом\\, дача\\; сад").toUtf8() + "\r\n" + zone +
        "BEGIN:VEVENT\r\nUID:a\r\nSUMMARY:long\r\n  folded\r\nBEGIN:VALARM\r\n"
        "ACTION:DISPLAY\r\nEND:VALARM\r\nEND:VEVENT\r\nBEGIN:VTODO\r\nUID:b\r\nEND:VTODO\r\n"
        "END:VCALENDAR\r\n";
    EXPECT_EQ(joined.toStdString(), expected.toStdString());
}

TEST(WholeUploadTest, ListingAfterTheUploadSettlesTheLinks) {
    auto link = [](const char* href) {
        SyncLink l;
        l.href = QString::fromLatin1(href);
        l.pending = SyncLink::Pending::Push;
        l.pendHash = 7;
        return l;
    };
    std::vector<SyncLink> links = {link("/c/a.ics"), link("/c/b.ics"), link("/c/gone.ics")};
    const std::vector<CalDavItem> listed = {
        {QStringLiteral("/c/b.ics"), QStringLiteral("\"tb\""), {}},
        {QStringLiteral("/c/z.ics"), QStringLiteral("\"tz\""), {}},
        {QStringLiteral("/c/a.ics"), QStringLiteral("\"ta\""), {}},
    };
    EXPECT_EQ(SettleUploaded(links, listed), QStringList{QStringLiteral("/c/z.ics")});
    const struct {
        const char* etag;
        quint64 hash;
        SyncLink::Pending pending;
    } want[] = {{"\"ta\"", 7, SyncLink::Pending::None},
                {"\"tb\"", 7, SyncLink::Pending::None},
                {"", 0, SyncLink::Pending::Push}};
    for (size_t i = 0; i < links.size(); ++i) {
        EXPECT_EQ(links[i].etag, QString::fromLatin1(want[i].etag)) << i;
        EXPECT_EQ(links[i].hash, want[i].hash) << i;
        EXPECT_EQ(links[i].pending, want[i].pending) << i;
    }
}

}  // namespace
