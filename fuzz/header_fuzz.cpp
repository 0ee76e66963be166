// The header reader under libFuzzer (make fuzz), built natively with AddressSanitizer and
// UndefinedBehaviorSanitizer: the reader is standard C++ over bytes, so every input it can be
// given is tried here, away from Windows. Besides crashes and undefined behaviour, an input fails
// when the reader breaks what it promises: a record no larger than the limit, masters only from a
// whole record, and every master a non-empty text that the bytes hold.
#include "catalogue/header.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Little-endian, as both games store their numbers.
std::string Number(uint32_t value, int width) {
    std::string bytes;
    for (int index = 0; index < width; ++index)
        bytes += static_cast<char>(value >> (8 * index) & 0xFF);
    return bytes;
}

// A first record of subrecords given as type and data: Morrowind's with 32-bit subrecord sizes
// after a 16-byte record header, Oblivion's with 16-bit sizes after 20 bytes.
std::string Header(bool oblivion, const std::vector<std::string> &subrecords) {
    std::string data;
    for (const std::string &subrecord : subrecords)
        data += subrecord.substr(0, 4) +
                Number(static_cast<uint32_t>(subrecord.size() - 4), oblivion ? 2 : 4) +
                subrecord.substr(4);
    return (oblivion ? "TES4" : "TES3") + Number(static_cast<uint32_t>(data.size()), 4) +
           std::string(oblivion ? 12 : 8, '\0') + data;
}

// Headers as the games write them, and the odd ones the reader must refuse or bear: an escaped
// size, a later game's 24-byte record header, a record cut short, an empty last subrecord.
void WriteSeeds(const std::string &folder) {
    const std::string hedr = "HEDR" + std::string(300, 'h'), small = "HEDR" + std::string(12, 'h'),
                      data = "DATA" + std::string(8, '\x07');
    const std::string morrowind =
                          Header(false, {hedr, "MASTMorrowind.esm", "MAST" + std::string(1, '\0'),
                                         data, "MASTTribunal.esm", data}),
                      seeds[] = {
                          morrowind,
                          morrowind.substr(0, morrowind.size() - 3),
                          Header(false, {hedr, "MASTA.esm", "DATA"}),
                          Header(true, {small, "CNAMauthor", "SNAMabout", "MASTOblivion.esm", data,
                                        "MASTX.esp", data}),
                          Header(true, {small, "XXXX" + Number(70000, 4),
                                        "OFST" + std::string(70000, 'o'), "MASTA.esm", data}),
                          Header(true, {small, "MASTA.esm"}).insert(20, 4, '\0'),
                      };
    int index = 0;
    for (const std::string &seed : seeds) {
        const std::string path = folder + "/seed-" + std::to_string(index++);
        if (FILE *file = std::fopen(path.c_str(), "wb")) {
            std::fwrite(seed.data(), 1, seed.size(), file);
            std::fclose(file);
        }
    }
}

} // namespace

// Called once before the corpus is read: with TALVESSA_FUZZ_SEEDS naming the corpus folder, the
// seeds are written there first.
extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    if (const char *folder = std::getenv("TALVESSA_FUZZ_SEEDS"))
        WriteSeeds(folder);
    return 0;
}

// libFuzzer hands over exactly size bytes on the heap, so a read past them is caught.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size) {
    const size_t total = MeasureHeaderRecord(bytes, size);
    if (total > kLargestHeaderRecord)
        std::abort();
    const std::vector<std::string> masters = ReadHeaderMasters(bytes, size);
    if (!masters.empty() && (total == 0 || total > size))
        std::abort();
    const std::string held(reinterpret_cast<const char *>(bytes), size);
    for (const std::string &master : masters)
        if (master.empty() || master.find('\0') != std::string::npos ||
            held.find(master) == std::string::npos)
            std::abort();
    return 0;
}
