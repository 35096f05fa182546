#include "data/Value.h"

#include <cmath>

#include "app/Global.h"

qint64 Value::toInt() const {
    switch (kind_) {
        case Int:
            return i_;
        case Float:
            return qint64(std::llround(d_));
        case Text:
            return s_.trimmed().toLongLong();
        case Bytes:
            return b_.trimmed().toLongLong();
        case Null:
            break;
    }
    return 0;
}

double Value::toFloat() const {
    switch (kind_) {
        case Int:
            return double(i_);
        case Float:
            return d_;
        case Text:
            return s_.trimmed().toDouble();
        case Bytes:
            return b_.trimmed().toDouble();
        case Null:
            break;
    }
    return 0;
}

QString Value::toText() const {
    switch (kind_) {
        case Int:
            return QString::number(i_);
        case Float:
            return QString::number(d_, 'g', 17);
        case Text:
            return s_;
        case Bytes:
            return FromWin1251(b_);
        case Null:
            break;
    }
    return {};
}

QByteArray Value::toBytes() const {
    switch (kind_) {
        case Bytes:
            return b_;
        case Text:
            return ToWin1251(s_);
        case Int:
        case Float:
            return toText().toLatin1();
        case Null:
            break;
    }
    return {};
}

bool Value::operator==(const Value& o) const {
    if (kind_ != o.kind_) return false;
    switch (kind_) {
        case Int:
            return i_ == o.i_;
        case Float:
            return d_ == o.d_;
        case Text:
            return s_ == o.s_;
        case Bytes:
            return b_ == o.b_;
        case Null:
            return true;
    }
    return false;
}
