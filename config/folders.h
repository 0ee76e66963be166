#pragma once

#include <string>

// The folder of the running executable, without a trailing backslash (C:\Tools for
// C:\Tools\talvessa.exe).
std::string GetExecutableFolder();
