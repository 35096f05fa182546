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
    static Value FromInt(qint64 v) { return Value(Data(std::in_place_index<Int>, v), 0); }
    static Value FromFloat(double v) { return Value(Data(std::in_place_index<Float>, v), 0); }
    static Value FromText(QString v) {
        const char16_t first = v.isEmpty() ? 0 : v[0].unicode();
        return Value(Data(std::in_place_index<Text>, std::move(v)), first);
    }
    static Value FromBytes(QByteArray v) {
        const char16_t first = v.isEmpty() ? 0 : char16_t(uchar(v[0]));
        return Value(Data(std::in_place_index<Bytes>, std::move(v)), first);
    }

    Kind kind() const { return Kind(data_.index()); }
    bool isNull() const { return data_.index() == Null; }

    qint64 toInt() const;
    double toFloat() const;
    QString toText() const;
    QByteArray toBytes() const;
    // The flag reading: a first character of T, t, Y or y is true.
    bool toFlag() const { return first_ != 0 && FlagIsTrue(QChar(first_)); }
    // A text of exactly the character `c`, told without reading the text.
    bool isTextOf(char16_t c) const {
        const QString* s = std::get_if<Text>(&data_);
        return s && first_ == c && s->size() == 1;
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
    Value(Data d, char16_t first) : data_(std::move(d)), first_(first) {}

    Data data_;
    char16_t first_ = 0;  // a text's first character (of bytes: Windows-1251 code), 0 if none
};
