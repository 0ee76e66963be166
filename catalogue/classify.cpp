#include "catalogue/classify.h"

namespace {

constexpr std::string::size_type kSuffixLength = 4;

bool EndsInSuffix(const std::string &name, const char *suffix) {
    // A name that is only the suffix (".esp") names no plug-in.
    return name.size() > kSuffixLength &&
           name.compare(name.size() - kSuffixLength, kSuffixLength, suffix) == 0;
}

} // namespace

bool IsPluginFile(const std::string &name) {
    return EndsInSuffix(name, ".esp");
}

bool IsMasterFile(const std::string &name) {
    return EndsInSuffix(name, ".esm");
}
