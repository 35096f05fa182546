// Rules for the size and place of the program's windows, and for the keys
// of its date and time boxes, without widgets.
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>
#include <vector>

// ---- Fitting the texts

// What a control has and what its text wants; a dimension of 0 in `need`
// asks for nothing in it.
struct FitNeed {
    QSize room;
    QSize need;
};

// How much a window laid out at fixed places grows so that every control
// gets what its text wants: the largest want over room in each direction,
// never below 1 (the window's own sizes are the least it gets).
struct FitScale {
    double x = 1.0;
    double y = 1.0;
    bool operator==(const FitScale&) const = default;
};
FitScale ScaleToFit(const std::vector<FitNeed>& needs);

// A place of the window scaled by its edges, so that controls that met
// still meet and edges that lined up still line up.
QRect ScaledPlace(const QRect& place, FitScale scale);
// A picture keeps its size and stands at the middle of its scaled place.
QRect ScaledPicturePlace(const QRect& place, FitScale scale);

// ---- Placing windows

// Where the inner part of a window goes (its top left corner, in logical
// pixels) when the window is put with its outer frame at the middle of
// `screen` and then `offset` pixels right and down. The inner part is
// `client` logical pixels; the frame adds `frame` device pixels, at
// `ratio` device pixels to a logical one. Reminders are offset by 20
// pixels for each reminder open with them, the first included, and every
// one of them, first or later, comes by this rule.
QPoint CentredPlace(const QRect& screen, const QSize& client, const QMargins& frame, double ratio,
                    int offset);

// ---- Keys of a date or time box

// A date or time box steps through its sections (day, month, year, hour,
// ...) with the arrow keys and typing; Tab and Shift+Tab leave it at once.
// What a key does in a box of `count` sections whose section `current` is
// the one being typed in.
struct SectionKeyAction {
    int section;  // the section to select before the key goes on
    bool taken;   // true: the key does nothing else; false: the box
                  // handles it after the selection (Tab then leaves)
    bool operator==(const SectionKeyAction&) const = default;
};
SectionKeyAction SectionKey(int key, Qt::KeyboardModifiers modifiers, int current, int count);
