// The texts of a reminder beside its window: the date line of an event
// notice with the years that pass, and the desktop notification of a task
// reminder or an event notice.
#pragma once

#include <QString>

#include "core/DateTime.h"

// The second line of an event notice: the stored date in the short date
// format and, when its year is known and lies before `year`, the years
// that pass ("08.03.1975, исполняется 51 год").
QString EventDateLine(TDateTime date, int vid, int year);

struct DesktopNotice {
    QString summary, body;
};
// A task reminder: its caption (or the window's caption when it has none)
// over its moment as the window's first line shows it.
DesktopNotice TaskNotice(const QString& caption, const QString& momentLine);
// An event notice: its name over its kind (without the angle brackets of
// the kind's name) and its date line.
DesktopNotice EventNotice(const QString& caption, int vid, const QString& dateLine);
