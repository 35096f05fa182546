// One input for the record readers: the bytes read both as Tasks.dat and as
// Birth.dat, and every record checked to lie within what a record can say.
// Aborts on a record that does not.
#pragma once

#include <cstddef>
#include <cstdint>

void FuzzOldRecords(const uint8_t* data, size_t size);
