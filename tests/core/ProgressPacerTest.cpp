#include <gtest/gtest.h>

#include "core/ProgressPacer.h"

// Each case: the moments (ms into the work) it is asked at, and which of
// them tell.
TEST(ProgressPacer, TellsOnlyLongWorkAndNotTooOften) {
    struct Case {
        const char* what;
        std::vector<qint64> asked;
        std::vector<bool> tells;
    } cases[] = {
        {"short work never tells", {0, 50, 120, 299}, {false, false, false, false}},
        {"the first at the threshold", {299, 300, 301}, {false, true, false}},
        {"then once per period",
         {350, 420, 449, 450, 549, 550},
         {true, false, false, true, false, true}},
        {"a long gap tells at once", {310, 5000, 5001}, {true, true, false}},
    };
    for (const Case& c : cases) {
        ProgressPacer pacer(300, 100);
        EXPECT_FALSE(pacer.Told()) << c.what;
        bool toldAny = false;
        for (size_t i = 0; i < c.asked.size(); ++i) {
            const bool due = pacer.Due(c.asked[i]);
            EXPECT_EQ(due, c.tells[i]) << c.what << " at " << c.asked[i];
            toldAny = toldAny || due;
        }
        EXPECT_EQ(pacer.Told(), toldAny) << c.what;
    }
}
