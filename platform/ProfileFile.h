// The program's settings file: an INI file read and written the way the
// Windows profile functions (GetPrivateProfileString and its kin) do it.
//
// The file is opened, read or written and closed for every call; nothing is
// kept between calls, so a change made by hand while the program runs is
// seen at the next read. The bytes are Windows-1251.
//
// Section and key names match without regard to letter case; the first
// matching section and the first matching key in it are used. A missing file,
// section or key reads as the default. A write changes only the one line it
// concerns (or adds it) and keeps the rest of the file byte for byte; it goes
// to a temporary file that replaces the old one only when complete. A write
// the system refuses throws EQuillet "Unable to write to <path>".
#pragma once

#include <QString>

#include "core/DateTime.h"

namespace ProfileFile {

QString ReadString(const QString& path, const QString& section, const QString& key,
                   const QString& def);
void WriteString(const QString& path, const QString& section, const QString& key,
                 const QString& value);

// Decimal with an optional sign, or hexadecimal after "0x"/"0X"; anything
// else, or a value outside int, reads as the default.
int ReadInteger(const QString& path, const QString& section, const QString& key, int def);
void WriteInteger(const QString& path, const QString& section, const QString& key, int value);

// Written "1"/"0"; read as an integer, any value but 0 being true.
bool ReadBool(const QString& path, const QString& section, const QString& key, bool def);
void WriteBool(const QString& path, const QString& section, const QString& key, bool value);

// A time of day in the system's long time format.
TDateTime ReadTime(const QString& path, const QString& section, const QString& key, TDateTime def);
void WriteTime(const QString& path, const QString& section, const QString& key, TDateTime value);

}  // namespace ProfileFile
