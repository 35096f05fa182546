#include "data/Value.h"

#include <cmath>

#include "core/Win1251.h"

qint64 Value::toInt() const {
    switch (kind()) {
        case Int:
            return std::get<Int>(data_);
        case Float:
            return qint64(std::llround(std::get<Float>(data_)));
        case Text:
            return std::get<Text>(data_).trimmed().toLongLong();
        case Bytes:
            return std::get<Bytes>(data_).trimmed().toLongLong();
        case Null:
            break;
    }
    return 0;
}

double Value::toFloat() const {
    switch (kind()) {
        case Int:
            return double(std::get<Int>(data_));
        case Float:
            return std::get<Float>(data_);
        case Text:
            return std::get<Text>(data_).trimmed().toDouble();
        case Bytes:
            return std::get<Bytes>(data_).trimmed().toDouble();
        case Null:
            break;
    }
    return 0;
}

QString Value::toText() const {
    switch (kind()) {
        case Int:
            return QString::number(std::get<Int>(data_));
        case Float:
            return QString::number(std::get<Float>(data_), 'g', 17);
        case Text:
            return std::get<Text>(data_);
        case Bytes:
            return FromWin1251(std::get<Bytes>(data_));
        case Null:
            break;
    }
    return {};
}

QByteArray Value::toBytes() const {
    switch (kind()) {
        case Bytes:
            return std::get<Bytes>(data_);
        case Text:
            return ToWin1251(std::get<Text>(data_));
        case Int:
        case Float:
            return toText().toLatin1();
        case Null:
            break;
    }
    return {};
}
