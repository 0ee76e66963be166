#pragma once

#include <cstddef>
#include <string>

// Writes text to a file it creates or truncates, in the C runtime's text mode (each line feed is
// stored as CR LF), and flushes it to the disk. False when the file cannot be opened or the text
// not all written.
bool WriteTextFile(const char *path, const std::string &text);

// Reads a whole file in the C runtime's text mode (CR LF read as a line feed, Ctrl-Z ending the
// text). False when it cannot be opened or read, or holds more than limit bytes: a file the
// program reads may be anything, of any size.
bool ReadTextFile(const char *path, size_t limit, std::string &text);
