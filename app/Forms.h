// The program's windows and its data module, created once at start in a
// fixed order and destroyed at the end.
#pragma once

#include <QIcon>
#include <QString>

// Creates, each completely before the next: the main window, the task
// editor, the about window, the options dialog, the event editor, the
// event list, the legend, the data module (which connects and loads the
// tables) and the two postponing dialogs.
void CreateForms();
// The same in two halves, so that the main window can be shown between
// them: CreateWindows begins the data module's connection on a thread of
// its own and makes the main window; CompleteStart makes the rest, waits
// for the tables (painting the windows shown meanwhile) and runs the rest
// of the start in order.
void CreateWindows();
void CompleteStart();
// Sends or journals what is unsent, then destroys the windows and the data
// module.
void DestroyForms();
// Ends the program as "Выход из программы" does, but asks nothing on the
// way (a signal, the end of the session).
void EndProgramQuietly();
// The end of the question asked at the end while changes are unsent: what
// becomes of them if the user does not try again. The journal is promised
// only when it was written.
QString ExitQuestionTail(const QString& journalPath, const QString& journalProblem);

// The program's icon in all its sizes.
QIcon ProgramIcon();
