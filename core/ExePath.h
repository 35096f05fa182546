// Where the running program lies: its settings file, database, sound and
// the previous version's files are found beside it.
#pragma once

#include <QString>

QString ExePath();  // full path of the running program
QString ExeDir();   // its folder, ending in '/'
// Tests point the program at a folder of their own.
void SetExePath(const QString& path);
