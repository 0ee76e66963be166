#include "config/folders.h"

#include <windows.h>

#include <algorithm>
#include <array>

std::string GetExecutableFolder() {
    std::array<char, MAX_PATH> file{};
    DWORD length = GetModuleFileNameA(nullptr, file.data(), static_cast<DWORD>(file.size()));
    // A name cut at the buffer's end is not terminated on older systems.
    file[std::min<size_t>(length, file.size() - 1)] = '\0';
    std::string folder(file.data());
    std::string::size_type slash = folder.find_last_of('\\');
    return slash == std::string::npos ? folder : folder.substr(0, slash);
}
