// Russian plural forms of a noun after a number: 1 год, 2 года, 5 лет,
// 11 лет, 21 год, 112 лет.
#pragma once

#include <QString>
#include <QtGlobal>

// The three forms of a noun: after 1 (and 21, 31, ...), after 2 to 4 (and
// 22 to 24, ...), after 5 to 20 and 0 (and 11 to 14 in every hundred).
struct PluralForms {
    const char* one;  // UTF-8, as the other texts of the program
    const char* few;
    const char* many;
};

// The form that follows `n` (its sign plays no part).
QString PluralForm(qint64 n, const PluralForms& forms);
// `n`, a space and the form that follows it: "12 заданий".
QString CountOf(qint64 n, const PluralForms& forms);

namespace Nouns {
inline constexpr PluralForms Years{"год", "года", "лет"};
inline constexpr PluralForms Tasks{"задание", "задания", "заданий"};
inline constexpr PluralForms Events{"событие", "события", "событий"};
}  // namespace Nouns
