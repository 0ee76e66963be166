#include "catalogue/header.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The two games' layouts. Morrowind's subrecords give their size in 32 bits, Oblivion's in 16;
// Oblivion's later successors begin with TES4 too but with a 24-byte record header, so their
// first subrecord is not found at offset 20 and they name no masters here.
struct RecordLayout {
    const char *type;
    size_t recordHeader;
    size_t sizeField;
};

constexpr RecordLayout kMorrowind{"TES3", 16, 4};
constexpr RecordLayout kOblivion{"TES4", 20, 2};

// Little-endian, byte by byte: the bytes need not be aligned.
uint32_t ReadNumber(const unsigned char *at, size_t width) {
    uint32_t value = 0;
    for (size_t index = width; index-- > 0;)
        value = value << 8 | at[index];
    return value;
}

bool IsType(const unsigned char *at, const char *type) {
    return std::memcmp(at, type, 4) == 0;
}

const RecordLayout *FindLayout(const unsigned char *bytes, size_t size) {
    for (const RecordLayout *layout : {&kMorrowind, &kOblivion})
        if (size >= layout->recordHeader && IsType(bytes, layout->type))
            return layout;
    return nullptr;
}

} // namespace

size_t MeasureHeaderRecord(const unsigned char *bytes, size_t size) {
    const RecordLayout *layout = FindLayout(bytes, size);
    if (!layout)
        return 0;
    uint64_t total = uint64_t{layout->recordHeader} + ReadNumber(bytes + 4, 4);
    return total <= kLargestHeaderRecord ? static_cast<size_t>(total) : 0;
}

std::vector<std::string> ReadHeaderMasters(const unsigned char *bytes, size_t size) {
    const size_t total = MeasureHeaderRecord(bytes, size);
    if (total == 0 || total > size)
        return {};
    const RecordLayout &layout = *FindLayout(bytes, size);
    const size_t subrecordHeader = 4 + layout.sizeField;
    std::vector<std::string> masters;
    // Oblivion's XXXX subrecord carries the 32-bit size of the subrecord after it, whose own
    // 16-bit size is then not the size.
    bool escaped = false;
    uint32_t escapedSize = 0;
    for (size_t at = layout.recordHeader; at < total;) {
        if (total - at < subrecordHeader)
            return {};
        const unsigned char *subrecord = bytes + at;
        const size_t length = escaped ? escapedSize : ReadNumber(subrecord + 4, layout.sizeField);
        escaped = false;
        if (length > total - at - subrecordHeader)
            return {};
        if (at == layout.recordHeader && !IsType(subrecord, "HEDR"))
            return {};
        const unsigned char *data = subrecord + subrecordHeader;
        if (&layout == &kOblivion && IsType(subrecord, "XXXX") && length == 4) {
            escaped = true;
            escapedSize = ReadNumber(data, 4);
        } else if (IsType(subrecord, "MAST")) {
            const unsigned char *end = std::find(data, data + length, 0);
            if (end != data)
                masters.emplace_back(data, end);
        }
        at += subrecordHeader + length;
    }
    return masters;
}
