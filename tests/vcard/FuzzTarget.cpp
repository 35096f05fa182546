// The vCard reader under libFuzzer (scripts/fuzz-vcard): any bytes either
// give contacts whose dates are days of a year, or a message naming a line
// of the input; nothing else may happen.
#include <cstdlib>

#include "core/DateTime.h"
#include "core/Error.h"
#include "vcard/VCardReader.h"

namespace {

void checkDate(const std::optional<VCardDate>& d) {
    if (!d) return;
    const bool valid =
        d->year == 0 ? IsValidDate(2000, d->month, d->day) : IsValidDate(d->year, d->month, d->day);
    if (!valid) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    LooksLikeVCard(bytes);
    try {
        for (const VCardContact& c : ReadVCards(bytes)) {
            if (c.line < 1) abort();
            checkDate(c.birthday);
            checkDate(c.anniversary);
        }
    } catch (const EQuillet& e) {
        if (!e.message().startsWith(QStringLiteral("Строка "))) abort();
    }
    return 0;
}
