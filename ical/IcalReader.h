// An iCalendar file (RFC 5545) read with libical into what the program
// keeps: yearly VEVENTs become events, other VEVENTs and VTODOs tasks.
//
// A task's reminder is the first VALARM's moment; a task without one has
// no date (the program keeps none without a reminder), and the moment the
// file gives it is kept as a line of its details. Times with a zone or in
// UTC become local time; floating times and dates are taken as they are.
#pragma once

#include <QByteArray>

#include "ical/CalendarItems.h"

// Throws EQuillet with a Russian message naming the line ("Строка 12: ...")
// when the file breaks the form: a line without a name and a colon, END
// without its BEGIN, a component left open, or a value of a property the
// program reads that libical cannot parse. Unknown properties and bad
// values of properties the program does not read are passed over.
FileItems ReadICalendar(const QByteArray& bytes);
