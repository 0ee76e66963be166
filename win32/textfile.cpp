#include "win32/textfile.h"

#include "win32/handles.h"

#include <io.h>

bool WriteTextFile(const char *path, const std::string &text) {
    UniqueStream file(fopen(path, "w"));
    if (!file)
        return false;
    // The runtime writes what it buffered only when flushed, which can fail (a full disk); Wine's
    // runtime reports that failure from fflush but not from fclose, so both are asked. The system
    // then holds the text in its cache: flushed to the disk too, a file that replaces another
    // after a power cut is whole, not empty. Some redirectors and virtual drives cannot flush at
    // all (ERROR_INVALID_FUNCTION); there the cache is all there is.
    bool written =
        fputs(text.c_str(), file.get()) >= 0 && fflush(file.get()) == 0 &&
        (FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file.get())))) ||
         GetLastError() == ERROR_INVALID_FUNCTION);
    return fclose(file.release()) == 0 && written;
}

bool ReadTextFile(const char *path, size_t limit, std::string &text) {
    UniqueStream file(fopen(path, "r"));
    if (!file)
        return false;
    const long long size = _filelengthi64(_fileno(file.get()));
    if (size < 0 || static_cast<unsigned long long>(size) > limit)
        return false;
    // Text mode reads no more than the file holds: the carriage returns dropped make it less.
    text.resize(static_cast<size_t>(size));
    const size_t read = fread(&text[0], 1, text.size(), file.get());
    text.resize(read);
    return !ferror(file.get());
}
