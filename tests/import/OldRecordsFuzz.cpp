#include "tests/import/OldRecordsFuzz.h"

#include <QByteArray>
#include <cmath>
#include <cstdlib>

#include "core/DateTime.h"
#include "data/OldRecords.h"

namespace {

void check(bool holds) {
    if (!holds) std::abort();
}

void checkDate(TDateTime d) {
    static const TDateTime first = EncodeDate(1, 1, 1), after = EncodeDate(9999, 12, 31) + 1;
    check(d == 0 || (std::isfinite(d) && d > first - 1 && d < after));
    if (d != 0) check(DecodeDate(d).year >= 1 && DecodeDate(d).year <= 9999);
}

}  // namespace

void FuzzOldRecords(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::vector<TOldTaskRec> tasks = ReadOldTasks(bytes);
    check(tasks.size() == size / OldTaskRecSize);
    for (const TOldTaskRec& t : tasks) {
        checkDate(t.dateTime);
        check(t.needAlert || t.dateTime == 0);
        check(t.caption.size() <= 50 && t.category.size() <= 20 && t.details.size() <= 200);
    }
    const std::vector<TOldBirthRec> births = ReadOldBirths(bytes);
    check(births.size() == size / OldBirthRecSize);
    for (const TOldBirthRec& b : births) {
        checkDate(b.date);
        check(b.vid >= 0 && b.vid <= 255 && b.category >= 0 && b.category <= 65535);
        check(b.caption.size() <= 50 && b.comment.size() <= 50);
    }
}
