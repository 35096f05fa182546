#include <gtest/gtest.h>

#include "sync/ChangeStamp.h"

namespace {

const QString kRadicale = QStringLiteral("http://radicale.org/ns/sync/ab12");
const QString kAt = QStringLiteral("Thu, 10 Dec 2026 03:10:51 GMT");

TEST(ChangeStampTest, OnlyRadicaleIsAskedForItsDate) {
    EXPECT_TRUE(StampWorthAsking(kRadicale));
    EXPECT_FALSE(StampWorthAsking(QString()));
    EXPECT_FALSE(StampWorthAsking(QStringLiteral("http://sabre.io/ns/sync/12")));
    EXPECT_FALSE(StampWorthAsking(QStringLiteral("data:,17")));
}

TEST(ChangeStampTest, ADateIsKeptOnlyWhenTheServersClockWasWellPastIt) {
    const struct {
        const char* serverTime;
        const char* modified;
        bool kept;
    } cases[] = {
        {"Thu, 10 Dec 2026 03:10:51 GMT", nullptr, false},  // the same second
        {"Thu, 10 Dec 2026 03:10:52 GMT", nullptr, false},
        {"Thu, 10 Dec 2026 03:10:53 GMT", nullptr, true},
        {"Fri, 11 Dec 2026 00:00:00 GMT", nullptr, true},
        {"Thu, 10 Dec 2026 03:10:40 GMT", nullptr, false},  // clocks apart
        {"", nullptr, false},
        {"Fri, 11 Dec 2026 00:00:00 GMT", "", false},
        {"Fri, 11 Dec 2026 00:00:00 GMT", "yesterday", false},
    };
    for (const auto& c : cases) {
        const QString modified = c.modified ? QString::fromLatin1(c.modified) : kAt;
        EXPECT_EQ(StampToKeep(modified, QString::fromLatin1(c.serverTime)),
                  c.kept ? modified : QString())
            << c.serverTime << " / " << (c.modified ? c.modified : "kAt");
    }
}

TEST(ChangeStampTest, TheCalendarIsListedUnlessItsDateIsTheOneKept) {
    const QString later = QStringLiteral("Thu, 10 Dec 2026 03:10:52 GMT");
    const struct {
        QString token, kept, modified;
        bool listed;
    } cases[] = {
        {kRadicale, kAt, kAt, false},      {kRadicale, kAt, later, true},
        {kRadicale, QString(), kAt, true}, {kRadicale, kAt, QString(), true},
        {QString(), kAt, kAt, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListingNeeded(c.token, c.kept, c.modified), c.listed)
            << c.kept.toStdString() << " -> " << c.modified.toStdString();
}

}  // namespace
