// One stored value of a column, as the in-memory tables and the database
// client pass it: NULL, an integer, a floating value (also the date-time),
// a text or a run of bytes (a large binary value).
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <variant>

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
    static Value FromInt(qint64 v) { return Value(Data(std::in_place_index<Int>, v)); }
    static Value FromFloat(double v) { return Value(Data(std::in_place_index<Float>, v)); }
    static Value FromText(QString v) {
        return Value(Data(std::in_place_index<Text>, std::move(v)));
    }
    static Value FromBytes(QByteArray v) {
        return Value(Data(std::in_place_index<Bytes>, std::move(v)));
    }

    Kind kind() const { return Kind(data_.index()); }
    bool isNull() const { return data_.index() == Null; }

    qint64 toInt() const;
    double toFloat() const;
    QString toText() const;
    QByteArray toBytes() const;
    // The flag reading: a first character of T, t, Y or y is true. (Flags
    // read from the database share one string per character, so reading
    // many rows' flags touches the same few bytes.)
    bool toFlag() const {
        if (const QString* s = std::get_if<Text>(&data_))
            return !s->isEmpty() && FlagIsTrue(s->front());
        if (const QByteArray* b = std::get_if<Bytes>(&data_))
            return !b->isEmpty() && FlagIsTrue(QChar(char16_t(uchar(b->front()))));
        return false;
    }
    // A text of exactly the character `c`.
    bool isTextOf(char16_t c) const {
        const QString* s = std::get_if<Text>(&data_);
        return s && s->size() == 1 && s->front() == c;
    }

    // Brings the shared data of a text into the processor's cache ahead of
    // a copy: copies of the texts of many rows, each of which counts its
    // users in memory of its own, would otherwise wait for memory one by one.
    void prefetch() const {
        // (data_ptr() only hands out the pointer: nothing is detached.)
        if (const QString* s = std::get_if<Text>(&data_))
            __builtin_prefetch(const_cast<QString*>(s)->data_ptr().d_ptr(), 1);
    }

    bool operator==(const Value& o) const { return data_ == o.data_; }
    bool operator!=(const Value& o) const { return !(*this == o); }

  private:
    using Data = std::variant<std::monostate, qint64, double, QString, QByteArray>;
    explicit Value(Data d) : data_(std::move(d)) {}

    Data data_;  // 32 bytes: a table of 100,000 rows holds a million of them
};

static_assert(sizeof(Value) <= 32, "a table of 100,000 rows holds a million values");
