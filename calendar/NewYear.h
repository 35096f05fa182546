// The new-year rollover of the start: when the year of the event states
// (CurYear in the settings) is not the clock's year, the user is asked to
// set the new year; on consent every event goes back to "Будет!".
#pragma once

#include <QString>
#include <functional>

class TDM;
class TMemTable;

// Whether the rollover asks: the two years differ (a clock set back asks too).
bool NewYearDue(int curYear, int clockYear);
QString NewYearQuestion(int year);
// Every event's NOTIFIED cleared, as one batch of edits to be sent at once.
void ResetEventStates(TMemTable& cdsBirth);

// The step of the start: reads CurYear, asks through `ask` (given the
// clock's year; true for Yes) when the years differ, and on Yes resets
// the events, sends them in one go and writes the clock's year.
void NewYearRollover(TDM& dm, const std::function<bool(int year)>& ask);
