#pragma once

#include <string>

// Writes text to a file it creates or truncates, in the C runtime's text mode (each line feed is
// stored as CR LF), and flushes it to the disk. False when the file cannot be opened or the text
// not all written.
bool WriteTextFile(const char *path, const std::string &text);
