#pragma once

#include <string>

// A name is a plug-in (".esp") or master (".esm") file when it is longer than the suffix alone and
// ends in it exactly, in lower case: this tool lists "X.ESP" as neither, and so neither shows nor
// stamps it. That is the rule the tool has always kept, whatever the games make of such a name.
bool IsPluginFile(const std::string &name);
bool IsMasterFile(const std::string &name);
