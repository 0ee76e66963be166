#include "win32/textfile.h"

#include "win32/handles.h"

bool WriteTextFile(const char *path, const std::string &text) {
    UniqueStream file(fopen(path, "w"));
    if (!file)
        return false;
    // The runtime writes what it buffered only when flushed, which can fail (a full disk); Wine's
    // runtime reports that failure from fflush but not from fclose, so both are asked.
    bool written = fputs(text.c_str(), file.get()) >= 0 && fflush(file.get()) == 0;
    return fclose(file.release()) == 0 && written;
}
