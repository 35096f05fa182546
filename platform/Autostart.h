// Starting the program when the user logs on: a desktop entry Quillet.desktop
// in the user's autostart folder ($XDG_CONFIG_HOME/autostart, or
// ~/.config/autostart), which starts the program hidden (-h) with a pause
// of five seconds (-p5).
#pragma once

#include <QString>

namespace Autostart {

// Full path of Quillet.desktop.
QString EntryPath();
// `path` as one argument of an Exec key: quoted by the desktop entry rules
// and then escaped as the key's string value, so that any folder name
// (blanks, quotes, '%', backslashes, any script) reaches the program as it is.
QString ExecArgument(const QString& path);
// The whole entry that starts `exePath` hidden after the pause.
QString EntryText(const QString& exePath);
// Creates the folder if needed and writes the entry starting `exePath`.
// Throws EQuillet "Failed to set data for 'Quillet'" when that fails.
void WriteEntry(const QString& exePath);
// Removes the entry; a missing entry is no error, a failed removal goes
// unreported.
void DeleteEntry();
bool EntryExists();

}  // namespace Autostart
