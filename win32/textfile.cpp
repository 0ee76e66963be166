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
