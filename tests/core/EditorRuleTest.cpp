// The editors' rule: a field of a stored record that the user left alone
// keeps its stored value.
#include <gtest/gtest.h>

#include <QDate>
#include <QVariant>

#include "core/EditorRule.h"

TEST(FieldToWrite, ALeftAloneFieldOfAStoredRecordKeepsItsValue) {
    const struct {
        const char* what;
        bool stored;
        QVariant opened, now;
        bool written;
    } cases[] = {
        {"a new record takes every field", false, "", "Лена", true},
        {"... also one the editor kept from its last use", false, 2, 2, true},
        {"a text left alone", true, "Сдать отчёт", "Сдать отчёт", false},
        {"a text changed", true, "Сдать отчёт", "Сдать отчёт!", true},
        {"a flag stored as \"Y\", its box left ticked", true, true, true, false},
        {"that box cleared", true, true, false, true},
        {"a date before the pickers' range, shown as their first day", true, QDate(100, 1, 1),
         QDate(100, 1, 1), false},
        {"another day picked", true, QDate(1975, 3, 8), QDate(1975, 3, 7), true},
        {"a category beyond the spinner, shown at its bound", true, 100, 100, false},
        {"the spinner moved", true, 100, 99, true},
        {"a NULL comment, shown empty", true, "", "", false},
        {"a moment with milliseconds the pickers drop", true, 46364.1234567, 46364.1234567, false},
        {"a time picked anew", true, 46364.1234567, 46364.125, true},
    };
    for (const auto& c : cases) {
        const std::optional<QString> v =
            FieldToWrite(c.stored, c.opened, c.now, QStringLiteral("typed"));
        EXPECT_EQ(v.value_or(QStringLiteral("<kept>")), c.written ? "typed" : "<kept>") << c.what;
    }
}
