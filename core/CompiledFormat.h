// A Qt-style date/time format compiled once into pieces, so that the lists
// can format thousands of values without parsing the pattern each time.
// A time zone ('t') is never shown.
#pragma once

#include <QLocale>
#include <QString>
#include <vector>

#include "core/DateTime.h"

class CompiledFormat {
  public:
    enum Kind {
        Literal,
        Day1,
        Day2,
        DayName3,
        DayName,
        Month1,
        Month2,
        MonthName3,
        MonthName,
        Year2,
        Year4,
        Hour1,
        Hour2,
        Hour12_1,
        Hour12_2,
        Minute1,
        Minute2,
        Second1,
        Second2,
        Msec1,
        Msec3,
        AmPmUpper,
        AmPmLower
    };
    struct Piece {
        Kind kind;
        QString text;
    };

    explicit CompiledFormat(const QString& pattern) { compile(pattern); }

    QString format(const QLocale& locale, const DateParts& d, const TimeParts& t) const;

  private:
    std::vector<Piece> pieces_;
    bool anyAmPm_ = false;

    void literal(QChar c);
    void compile(const QString& f);
    static void number(QString& out, int v, int width);
    static void append(QString& out, const QLocale& loc, const Piece& p, const DateParts& d,
                       const TimeParts& t);
};
