// The general error report: an error that no handler deals with ends that
// handler and is shown to the user in a message box; the program goes on.
// Handlers catch at their own edge (Guarded), so that no exception ever
// travels through the frames of Qt's event dispatch.
#pragma once

#include <QString>
#include <exception>

#include "core/Error.h"

void ShowErrorReport(const QString& text);

// Runs `handler`, reporting whatever escapes it.
template <typename F>
void Guarded(F&& handler) noexcept {
    try {
        handler();
    } catch (...) {
        ShowErrorReport(CurrentErrorText());
    }
}

// A slot that runs a member handler of `obj` guarded, for connect().
#define GUARDED(obj, method) [o = (obj)] { Guarded([&] { o->method(); }); }
