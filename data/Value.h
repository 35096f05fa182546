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
    static Value FromInt(qint64 v) { return Value(Data(std::in_place_index<Int>, v), false); }
    static Value FromFloat(double v) { return Value(Data(std::in_place_index<Float>, v), false); }
    static Value FromText(QString v) {
        const bool flag = !v.isEmpty() && FlagIsTrue(v[0]);
        return Value(Data(std::in_place_index<Text>, std::move(v)), flag);
    }
    static Value FromBytes(QByteArray v) {
        const bool flag = !v.isEmpty() && FlagIsTrue(QChar(uchar(v[0])));
        return Value(Data(std::in_place_index<Bytes>, std::move(v)), flag);
    }

    Kind kind() const { return Kind(data_.index()); }
    bool isNull() const { return data_.index() == Null; }

    qint64 toInt() const;
    double toFloat() const;
    QString toText() const;
    QByteArray toBytes() const;
    // The flag reading: a first character of T, t, Y or y is true.
    bool toFlag() const { return flag_; }

    // Brings the shared data of a text into the processor's cache ahead of
    // a copy: copies of the texts of many rows, each of which counts its
    // users in memory of its own, would otherwise wait for memory one by one.
    void prefetch() const {
        // (data_ptr() only hands out the pointer: nothing is detached.)
        if (const QString* s = std::get_if<Text>(&data_))
            __builtin_prefetch(const_cast<QString*>(s)->data_ptr().d_ptr(), 1);
    }

    // A text's characters without a copy; empty for the other kinds.
    QStringView textView() const {
        const QString* s = std::get_if<Text>(&data_);
        return s ? QStringView(*s) : QStringView();
    }

    bool operator==(const Value& o) const { return data_ == o.data_; }
    bool operator!=(const Value& o) const { return !(*this == o); }

  private:
    using Data = std::variant<std::monostate, qint64, double, QString, QByteArray>;
    Value(Data d, bool flag) : data_(std::move(d)), flag_(flag) {}

    Data data_;
    bool flag_ = false;
};
