// The record readers under libFuzzer (scripts/fuzz-import).
#include "tests/import/OldRecordsFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzOldRecords(data, size);
    return 0;
}
