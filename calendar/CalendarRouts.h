// The year calendar's state and its drawing: twelve month boxes with their
// day cells, the event days with their kind markers, today's frame, the
// selection frame and the legend. The routines draw on any surface through
// its painter, lines and rectangles without antialiasing, so the same
// pixels come out on the screen, in an off-screen image and at any device
// pixel ratio.
#pragma once

#include <QColor>
#include <QFont>
#include <QSize>
#include <QtGlobal>

#include "calendar/CalendarGeometry.h"
#include "core/DateTime.h"

class QPainter;

// ---- The calendar's state, shared by the calendar page and its windows.
extern quint16 CalendarYear;    // the year drawn
extern TDateTime SelectedDate;  // the selected day, a day of CalendarYear
extern bool CalendarFocused;    // the page's focus holder has the keyboard focus
extern TDayRects DayRects;      // the cells of the drawn year, refilled by every full paint
extern bool DayListMode;        // the event list shows the selected day (else all events)
// This module's own copy of the shown year, for the today test; set
// together with CalendarYear.
extern quint16 ShownYear;

// The calendar's font face in a size and style. The face may be missing:
// the desktop's sans-serif then stands in. Sizes in points are taken at
// 96 pixels per inch, as the layout's pixels are.
QFont CalendarFont(int points, bool bold);

// Kind marker colour of an event kind (VID).
QRgb KindColour(int kind);

// Full drawing of the twelve boxes and their plain day cells; fills `rects`.
void DrawYear(QPainter& surface, int year, TDayRects& rects);
void DrawDay(QPainter& surface, const TRect& rect, int number, int weekday);
void DrawEventDay(QPainter& surface, const TRect& rect, int number, int kind);
// An event of `day`.`month` in `year` (29 February falls on 28 February in
// a year without it).
void MarkEventDay(QPainter& surface, int day, int month, int kind, int year);
void DrawTodayFrame(QPainter& surface, const TRect& rect);
// Today's frame when the clock's year is the shown year.
void DrawToday(QPainter& surface);
void DrawSelectFrame(QPainter& surface, const TRect& rect, bool focused);
void EraseSelectFrame(QPainter& surface, const TRect& rect);
void ShowSelectedDay(QPainter& surface, bool focused, TDateTime date);
// Erases the selection frame at `date`, then draws today's frame again
// (the erase may have wiped part of it).
void HideSelectedDay(QPainter& surface, TDateTime date);
// The pixels the selection frame of a cell covers.
TRect SelectFrameArea(const TRect& cell);

// The legend: eight sample cells and frames with their labels.
void SetLegendSize(QSize& surface);
void DrawLegend(QPainter& surface);
