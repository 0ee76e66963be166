#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Morrowind and Oblivion files begin with a header record (TES3 or TES4) that names the masters
// the file was made against. No header either game writes comes near this size: a first record
// that claims more is not a header to believe, and is never read.
constexpr size_t kLargestHeaderRecord = 256 * 1024;

// How many bytes the first record takes, its own record header included, judged from the bytes
// at the start of the file; 0 when they begin no TES3 or TES4 record, or one over the limit.
size_t MeasureHeaderRecord(const unsigned char *bytes, size_t size);

// The texts of the first record's MAST subrecords, each cut at its first zero byte, in the order
// given, empty ones left out. None when the bytes hold no whole header record that adds up: it
// must begin with HEDR, and its subrecords must fill its data exactly.
std::vector<std::string> ReadHeaderMasters(const unsigned char *bytes, size_t size);
