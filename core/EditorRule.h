// The rule of the editors that open on a stored record (the task editor,
// the event editor): a field the user left alone keeps its stored value,
// also where its control cannot show that value exactly (a flag written as
// "Y", a date before the pickers' range, milliseconds, NULL, a kind outside
// the list, a number beyond the spinner's bounds). A field is left alone
// when its control shows on "Ok" what it showed when the editor opened.
#pragma once

#include <optional>

// What "Ok" writes for one field: `typed`, the control's value as the
// column keeps it, for a new record (`stored` false) or a changed field;
// nothing for a field of a stored record left alone (`now` == `opened`),
// whose stored value stays.
template <class Shown, class Written>
std::optional<Written> FieldToWrite(bool stored, const Shown& opened, const Shown& now,
                                    Written typed) {
    if (stored && now == opened) return std::nullopt;
    return typed;
}
