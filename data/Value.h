// One stored value of a column, as the in-memory tables and the database
// client pass it: NULL, an integer, a floating value (also the date-time),
// a text or a run of bytes (a large binary value).
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "data/Records.h"

enum class FieldType : uint8_t { Integer, Float, DateTime, Text, Blob, Boolean };

struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    int size = 0;        // characters of a text column, 0 when unlimited
    bool fixed = false;  // CHAR rather than VARCHAR
    bool textBlob = false;
};

class Value {
  public:
    enum Kind : uint8_t { Null, Int, Float, Text, Bytes };

    Value() = default;
    static Value FromInt(qint64 v) {
        Value r;
        r.kind_ = Int;
        r.i_ = v;
        return r;
    }
    static Value FromFloat(double v) {
        Value r;
        r.kind_ = Float;
        r.d_ = v;
        return r;
    }
    static Value FromText(QString v) {
        Value r;
        r.kind_ = Text;
        r.flag_ = !v.isEmpty() && FlagIsTrue(v[0]);
        r.s_ = std::move(v);
        return r;
    }
    static Value FromBytes(QByteArray v) {
        Value r;
        r.kind_ = Bytes;
        r.flag_ = !v.isEmpty() && FlagIsTrue(QChar(uchar(v[0])));
        r.b_ = std::move(v);
        return r;
    }

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Null; }

    qint64 toInt() const;
    double toFloat() const;
    QString toText() const;
    QByteArray toBytes() const;
    // The flag reading: a first character of T, t, Y or y is true.
    bool toFlag() const { return flag_; }

    bool operator==(const Value& o) const;
    bool operator!=(const Value& o) const { return !(*this == o); }

  private:
    Kind kind_ = Null;
    bool flag_ = false;
    union {
        qint64 i_ = 0;
        double d_;
    };
    QString s_;
    QByteArray b_;
};
