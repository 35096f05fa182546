// Windows-1251, the code page of the database, the settings file and the
// previous version's files.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

QByteArray ToWin1251(const QString& text);  // characters outside it become '?'
// The same into `out`, at most `room` bytes of it; returns how many.
qsizetype WriteWin1251(const QString& text, char* out, qsizetype room);
QString FromWin1251(const char* data, qsizetype size);
inline QString FromWin1251(const QByteArray& data) {
    return FromWin1251(data.constData(), data.size());
}
bool IsWin1251Char(QChar c);
// The text as Windows-1251 can hold it.
QString ThroughWin1251(const QString& text);
// The byte of `c` in Windows-1251, -1 when it has none.
int Win1251Byte(char16_t c);

// The text as Windows-1251 can hold it, with each character outside the
// code page replaced by its nearest letters inside it where it has them
// ("é" by "e", "ﬁ" by "fi", "‐" by "-") and by "?" where it has none.
// `changed` (may be null) tells whether anything was replaced.
QString FitWin1251(const QString& text, bool* changed = nullptr);
