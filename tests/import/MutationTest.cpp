// The record readers on many inputs made by mutating real records: bytes
// flipped, cut, stretched and spliced. Run under the sanitizers as part of
// the suite; QUILLET_FUZZ_RUNS sets the number of inputs (20000 here).
#include <gtest/gtest.h>

#include <random>

#include "core/DateTime.h"
#include "tests/import/OldFileBytes.h"
#include "tests/import/OldRecordsFuzz.h"

TEST(OldRecordsMutationTest, AnyBytesGiveSaneRecords) {
    const qint64 runs = qEnvironmentVariableIsSet("QUILLET_FUZZ_RUNS")
                            ? qEnvironmentVariable("QUILLET_FUZZ_RUNS").toLongLong()
                            : 20000;
    const QByteArray seeds[] = {
        OldTask(40000.25, 1, "Задание", "Дом", "Подробности").repeated(2),
        OldBirth(EncodeDate(1980, 2, 29), "Событие", 3, 7, "Комментарий", 1).repeated(3),
        QByteArray(600, '\xFF'),
    };
    std::mt19937_64 rng(20260101);
    auto pick = [&](qint64 n) { return qint64(rng() % quint64(n)); };
    QByteArray input;
    for (qint64 i = 0; i < runs; ++i) {
        if (i % 64 == 0) input = seeds[pick(3)];
        switch (pick(6)) {
            case 0:  // one byte anything
                if (!input.isEmpty()) input[pick(input.size())] = char(rng());
                break;
            case 1:  // a date-like run of eight bytes anywhere
                if (input.size() >= 8) {
                    const qint64 at = pick(input.size() - 7);
                    const quint64 bits = rng();
                    for (int b = 0; b < 8; ++b)
                        input[at + b] = char(bits >> (8 * b));
                }
                break;
            case 2:  // cut
                input.truncate(pick(input.size() + 1));
                break;
            case 3:  // stretch
                input.append(QByteArray(pick(300), char(rng())));
                break;
            case 4:  // splice another seed in
                input.append(seeds[pick(3)].left(pick(400)));
                break;
            default:  // a length byte at its limits
                if (!input.isEmpty()) input[pick(input.size())] = char(pick(2) ? 0xFF : 0);
                break;
        }
        FuzzOldRecords(reinterpret_cast<const uint8_t*>(input.constData()), size_t(input.size()));
    }
}
