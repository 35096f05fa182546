#include "data/OldRecords.h"

#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cmath>

#include "core/Win1251.h"

QString OldText(const char* field, int capacity) {
    const int length = std::min(int(static_cast<unsigned char>(field[0])), capacity);
    return FromWin1251(field + 1, length);
}

TDateTime OldDate(const char* field) {
    const double value = std::bit_cast<double>(qFromLittleEndian<quint64>(field));
    static const TDateTime firstDay = EncodeDate(1, 1, 1);
    static const TDateTime dayAfterLast = EncodeDate(9999, 12, 31) + 1;
    // Far outside first, so that the rounding below cannot overflow.
    if (!std::isfinite(value) || value <= firstDay - 1 || value >= dayAfterLast) return 0;
    qint64 days, ms;
    SplitDateTime(value, days, ms);
    if (days < firstDay || days >= dayAfterLast) return 0;
    return value;
}

namespace {

bool flag(const char* p) {
    return *p != 0;
}

}  // namespace

std::vector<TOldTaskRec> ReadOldTasks(const QByteArray& file) {
    std::vector<TOldTaskRec> out;
    const qsizetype count = file.size() / OldTaskRecSize;
    out.reserve(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        const char* r = file.constData() + i * OldTaskRecSize;
        TOldTaskRec t;
        t.needAlert = flag(r + 8);
        t.dateTime = t.needAlert ? OldDate(r) : 0;
        t.caption = OldText(r + 9, 50);
        t.category = OldText(r + 60, 20);
        t.details = OldText(r + 81, 200);
        t.executed = flag(r + 282);
        t.notified = flag(r + 283);
        out.push_back(std::move(t));
    }
    return out;
}

std::vector<TOldBirthRec> ReadOldBirths(const QByteArray& file) {
    std::vector<TOldBirthRec> out;
    const qsizetype count = file.size() / OldBirthRecSize;
    out.reserve(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        const char* r = file.constData() + i * OldBirthRecSize;
        TOldBirthRec b;
        b.date = OldDate(r);
        b.caption = OldText(r + 8, 50);
        b.vid = static_cast<unsigned char>(r[59]);
        b.category = qFromLittleEndian<quint16>(r + 60);
        b.comment = OldText(r + 62, 50);
        b.notified = flag(r + 113);
        out.push_back(std::move(b));
    }
    return out;
}
