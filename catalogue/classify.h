#pragma once

#include <string>

// A name is a plug-in (".esp") or master (".esm") file when it is longer than the suffix alone and
// ends in it exactly. The games and this tool alike take the suffix case-sensitively, so "X.ESP"
// is neither.
bool IsPluginFile(const std::string &name);
bool IsMasterFile(const std::string &name);
