// The moments of the postponing choices, from the moment the choice is made.
#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "remind/Postpone.h"

namespace {

TEST(Postpone, FixedChoices) {
    using C = PostponeChoice;
    const struct {
        const char* name;
        C choice;
        TDateTime now, expected;
    } cases[] = {
        {"5 min", C::In5Minutes, EncodeDateTime(2024, 3, 15, 14, 3, 20, 0),
         EncodeDateTime(2024, 3, 15, 14, 8, 20, 0)},
        {"15 min, ms kept", C::In15Minutes, EncodeDateTime(2024, 3, 15, 14, 3, 20, 125),
         EncodeDateTime(2024, 3, 15, 14, 18, 20, 125)},
        {"30 min over midnight", C::In30Minutes, EncodeDateTime(2024, 3, 15, 23, 45, 0, 0),
         EncodeDateTime(2024, 3, 16, 0, 15, 0, 0)},
        {"1 hour", C::In1Hour, EncodeDateTime(2024, 3, 15, 14, 3, 20, 0),
         EncodeDateTime(2024, 3, 15, 15, 3, 20, 0)},
        {"2 hours over midnight", C::In2Hours, EncodeDateTime(2024, 3, 15, 22, 30, 0, 999),
         EncodeDateTime(2024, 3, 16, 0, 30, 0, 999)},
        {"1 day", C::In1Day, EncodeDateTime(2024, 3, 15, 18, 30, 0, 0),
         EncodeDateTime(2024, 3, 16, 18, 30, 0, 0)},
        {"2 days over 29 February", C::In2Days, EncodeDateTime(2024, 2, 28, 10, 0, 0, 1),
         EncodeDateTime(2024, 3, 1, 10, 0, 0, 1)},
        {"5 days over the new year", C::In5Days, EncodeDateTime(2023, 12, 29, 9, 15, 0, 0),
         EncodeDateTime(2024, 1, 3, 9, 15, 0, 0)},
        {"8.00 late in the evening", C::Tomorrow8, EncodeDateTime(2024, 3, 15, 23, 59, 0, 0),
         EncodeDateTime(2024, 3, 16, 8, 0, 0, 0)},
        {"8.00 just after midnight", C::Tomorrow8, EncodeDateTime(2024, 3, 15, 0, 1, 0, 0),
         EncodeDateTime(2024, 3, 16, 8, 0, 0, 0)},
        {"12.00 in the afternoon", C::Tomorrow12, EncodeDateTime(2024, 3, 15, 12, 30, 45, 7),
         EncodeDateTime(2024, 3, 16, 12, 0, 0, 0)},
        {"12.00 on new year's eve", C::Tomorrow12, EncodeDateTime(2023, 12, 31, 11, 0, 0, 0),
         EncodeDateTime(2024, 1, 1, 12, 0, 0, 0)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PostponeMoment(c.choice, c.now), c.expected) << c.name;
}

TEST(Postpone, AfterAndAt) {
    const TDateTime now = EncodeDateTime(2024, 3, 15, 14, 3, 20, 0);
    EXPECT_EQ(PostponeAfter(now, 1, 2, 30), EncodeDateTime(2024, 3, 16, 16, 33, 20, 0));
    EXPECT_EQ(PostponeAfter(now, 0, 0, 0), now);
    EXPECT_EQ(PostponeAfter(now, 100, 100, 100), EncodeDateTime(2024, 6, 27, 19, 43, 20, 0));
    // The time's milliseconds are dropped, the date's time of day too.
    EXPECT_EQ(PostponeAt(QDate(2024, 4, 20), QTime(7, 5, 9, 456)),
              EncodeDateTime(2024, 4, 20, 7, 5, 9, 0));
}

}  // namespace
