// Records of the previous version's files, built byte by byte as that
// version wrote them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <bit>

#include "core/DateTime.h"
#include "core/Win1251.h"

inline void PutByte(QByteArray& rec, int at, int byte) {
    rec[at] = char(byte);
}
inline void PutDouble(QByteArray& rec, int at, double value) {
    qToLittleEndian(std::bit_cast<quint64>(value), rec.data() + at);
}
// A length byte, then the characters (Windows-1251) in the room after it.
inline void PutText(QByteArray& rec, int at, const QString& text, int lengthByte = -1) {
    const QByteArray chars = ToWin1251(text);
    PutByte(rec, at, lengthByte >= 0 ? lengthByte : int(chars.size()));
    rec.replace(at + 1, chars.size(), chars);
}

// A Tasks.dat record.
inline QByteArray OldTask(double when, int alert, const QString& caption,
                          const QString& category = {}, const QString& details = {},
                          int executed = 0, int notified = 0) {
    QByteArray r(288, '\0');
    PutDouble(r, 0, when);
    PutByte(r, 8, alert);
    PutText(r, 9, caption);
    PutText(r, 60, category);
    PutText(r, 81, details);
    PutByte(r, 282, executed);
    PutByte(r, 283, notified);
    return r;
}

// A Birth.dat record.
inline QByteArray OldBirth(double date, const QString& caption, int vid = 0, int category = 0,
                           const QString& comment = {}, int notified = 0) {
    QByteArray r(120, '\0');
    PutDouble(r, 0, date);
    PutText(r, 8, caption);
    PutByte(r, 59, vid);
    qToLittleEndian(quint16(category), r.data() + 60);
    PutText(r, 62, comment);
    PutByte(r, 113, notified);
    return r;
}
