// A small log of what the program cannot show the user: errors that a
// timer swallowed, an error report that failed. One line each with the
// time; no data of the user's goes into it. The file is quillet.log in the
// user's state folder ($XDG_STATE_HOME/quillet, ~/.local/state/quillet
// when that is unset); at 256 KB it moves to quillet.log.1, replacing the
// older one.
#pragma once

#include <QString>

void WriteLog(const QString& what);
QString LogFilePath();
