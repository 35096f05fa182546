// The calendar's hint for a day: each event that falls on it, with the
// years that pass in the day's year.
#pragma once

#include <QStringList>

#include "core/DateTime.h"

class TMemTable;

// One line per event of `day`, in table order: its name and, when its year
// is known and lies before the day's year, the years that pass ("Лена —
// исполняется 51 год" for a birthday, "Свадьба — 25 лет со дня события").
QStringList EventHintsOn(const TMemTable& cdsBirth, TDateTime day);
