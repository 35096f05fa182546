#include "data/FbMessage.h"

#include <cmath>
#include <cstring>

#include "core/DateTime.h"
#include "core/Win1251.h"
#include "data/FbClient.h"

using namespace Firebird;

namespace {

// Days between 17 November 1858 (the server's day 0) and 30 December 1899.
constexpr qint64 ServerDayOffset = 15018;

int bytesPerChar(unsigned charset) {
    switch (charset & 0xFF) {
        case 3:
            return 3;  // UNICODE_FSS
        case 4:
            return 4;  // UTF8
        default:
            return 1;
    }
}

bool isBinaryCharset(unsigned charset) {
    return (charset & 0xFF) == 1;
}  // OCTETS

ISC_TIMESTAMP toServerTimestamp(TDateTime dt) {
    qint64 days, ms;
    SplitDateTime(dt, days, ms);
    ISC_TIMESTAMP ts;
    ts.timestamp_date = ISC_DATE(days + ServerDayOffset);
    ts.timestamp_time = ISC_TIME(ms * 10);
    return ts;
}

TDateTime fromServerTimestamp(const ISC_TIMESTAMP& ts) {
    return JoinDateTime(qint64(ts.timestamp_date) - ServerDayOffset, ts.timestamp_time / 10);
}

template <typename T>
T load(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
void store(unsigned char* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

// A text read from the server. Flags and other one-character texts come
// by the thousand: they share one string each instead of one per value.
Value textValue(const char* s, unsigned n) {
    if (n == 0) return Value::FromText(QString());
    if (n == 1) {
        static const std::vector<QString> single = [] {
            std::vector<QString> v(256);
            for (int b = 0; b < 256; ++b) {
                const char c = char(b);
                v[size_t(b)] = FromWin1251(&c, 1);
            }
            return v;
        }();
        return Value::FromText(single[uchar(s[0])]);
    }
    return Value::FromText(FromWin1251(s, n));
}

// A value's bytes, at most `room` of them, written into `out`; how many.
// Texts go straight into the message: parameters come by the thousand.
size_t writeBytes(char* out, unsigned room, const Value& v) {
    if (v.kind() == Value::Text) return size_t(WriteWin1251(v.toText(), out, qsizetype(room)));
    const QByteArray bytes = v.toBytes().left(room);
    std::memcpy(out, bytes.constData(), size_t(bytes.size()));
    return size_t(bytes.size());
}

double scaleFactor(int scale) {
    double f = 1;
    for (int i = 0; i < -scale; ++i)
        f *= 10;
    return f;
}

}  // namespace

std::vector<MessageColumn> DescribeMessage(ThrowStatusWrapper* st, IMessageMetadata* meta) {
    std::vector<MessageColumn> cols(meta->getCount(st));
    for (unsigned i = 0; i < cols.size(); ++i) {
        MessageColumn& c = cols[i];
        c.type = meta->getType(st, i) & ~1u;
        c.subType = unsigned(meta->getSubType(st, i));
        c.length = meta->getLength(st, i);
        c.charset = meta->getCharSet(st, i);
        c.offset = meta->getOffset(st, i);
        c.nullOffset = meta->getNullOffset(st, i);
        c.scale = meta->getScale(st, i);
        c.field = meta->getField(st, i);
        c.alias = meta->getAlias(st, i);
    }
    return cols;
}

FieldDef ColumnField(const MessageColumn& col) {
    FieldDef f;
    f.name = QString::fromLatin1(col.alias && *col.alias ? col.alias : col.field);
    switch (col.type) {
        case SQL_TEXT:
        case SQL_VARYING:
            f.type = FieldType::Text;
            f.fixed = col.type == SQL_TEXT;
            f.size = int(col.length) / bytesPerChar(col.charset);
            break;
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            f.type = col.scale ? FieldType::Float : FieldType::Integer;
            break;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            f.type = FieldType::Float;
            break;
        case SQL_TIMESTAMP:
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
            f.type = FieldType::DateTime;
            break;
        case SQL_BOOLEAN:
            f.type = FieldType::Boolean;
            break;
        case SQL_BLOB:
            f.type = FieldType::Blob;
            f.textBlob = col.subType == 1;
            break;
        default:
            f.type = FieldType::Text;
            break;
    }
    return f;
}

bool IsNullIn(const unsigned char* buf, const MessageColumn& col) {
    return load<ISC_SHORT>(buf + col.nullOffset) != 0;
}

void SetNullIn(unsigned char* buf, const MessageColumn& col, bool null) {
    store<ISC_SHORT>(buf + col.nullOffset, null ? -1 : 0);
}

void WriteColumn(unsigned char* buf, const MessageColumn& col, const Value& v) {
    unsigned char* p = buf + col.offset;
    const unsigned length = col.length;
    const int scale = col.scale;
    switch (col.type) {
        case SQL_TEXT: {
            const size_t n = writeBytes(reinterpret_cast<char*>(p), length, v);
            std::memset(p + n, ' ', length - n);
            break;
        }
        case SQL_VARYING:
            store<ISC_USHORT>(p, ISC_USHORT(writeBytes(reinterpret_cast<char*>(p) + 2, length, v)));
            break;
        case SQL_SHORT:
            store<ISC_SHORT>(p, ISC_SHORT(std::llround(v.toFloat() * scaleFactor(scale))));
            break;
        case SQL_LONG:
            store<ISC_LONG>(p, scale ? ISC_LONG(std::llround(v.toFloat() * scaleFactor(scale)))
                                     : ISC_LONG(v.toInt()));
            break;
        case SQL_INT64:
            store<ISC_INT64>(p, scale ? ISC_INT64(std::llround(v.toFloat() * scaleFactor(scale)))
                                      : ISC_INT64(v.toInt()));
            break;
        case SQL_FLOAT:
            store<float>(p, float(v.toFloat()));
            break;
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            store<double>(p, v.toFloat());
            break;
        case SQL_TIMESTAMP:
            store<ISC_TIMESTAMP>(p, toServerTimestamp(v.toFloat()));
            break;
        case SQL_TYPE_DATE:
            store<ISC_DATE>(p, toServerTimestamp(v.toFloat()).timestamp_date);
            break;
        case SQL_TYPE_TIME:
            store<ISC_TIME>(p, toServerTimestamp(v.toFloat()).timestamp_time);
            break;
        case SQL_BOOLEAN:
            store<FB_BOOLEAN>(p, v.toFlag() || v.toInt() ? 1 : 0);
            break;
        default:
            throw FbError(QStringLiteral("Неподдерживаемый тип параметра %1").arg(col.type), 0);
    }
}

Value ReadColumn(const unsigned char* buf, const MessageColumn& col) {
    const unsigned char* p = buf + col.offset;
    auto number = [&](qint64 raw) {
        return col.scale ? Value::FromFloat(double(raw) / scaleFactor(col.scale))
                         : Value::FromInt(raw);
    };
    auto text = [&](const char* s, unsigned n) {
        return isBinaryCharset(col.charset) ? Value::FromBytes(QByteArray(s, n)) : textValue(s, n);
    };
    switch (col.type) {
        case SQL_TEXT: {
            unsigned n = col.length;
            while (n > 0 && p[n - 1] == ' ')
                --n;  // the server pads CHAR with blanks
            return text(reinterpret_cast<const char*>(p), n);
        }
        case SQL_VARYING:
            return text(reinterpret_cast<const char*>(p + 2), load<ISC_USHORT>(p));
        case SQL_SHORT:
            return number(load<ISC_SHORT>(p));
        case SQL_LONG:
            return number(load<ISC_LONG>(p));
        case SQL_INT64:
            return number(load<ISC_INT64>(p));
        case SQL_FLOAT:
            return Value::FromFloat(load<float>(p));
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            return Value::FromFloat(load<double>(p));
        case SQL_TIMESTAMP:
            return Value::FromFloat(fromServerTimestamp(load<ISC_TIMESTAMP>(p)));
        case SQL_TYPE_DATE:
            return Value::FromFloat(double(qint64(load<ISC_DATE>(p)) - ServerDayOffset));
        case SQL_TYPE_TIME:
            return Value::FromFloat(double(load<ISC_TIME>(p) / 10) / MSecsPerDay);
        case SQL_BOOLEAN:
            return Value::FromText(FlagText(load<FB_BOOLEAN>(p) != 0));
        default:
            return Value();
    }
}

ISC_QUAD BlobIdIn(const unsigned char* buf, const MessageColumn& col) {
    return load<ISC_QUAD>(buf + col.offset);
}

void SetBlobIdIn(unsigned char* buf, const MessageColumn& col, ISC_QUAD id) {
    store<ISC_QUAD>(buf + col.offset, id);
}

Value BlobValue(const MessageColumn& col, QByteArray data) {
    if (col.subType == 1 && !isBinaryCharset(col.charset))
        return Value::FromText(FromWin1251(data));
    return Value::FromBytes(std::move(data));
}
