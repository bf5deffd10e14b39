#pragma once
// Parsed INI files, re-read whenever the file on disk changes. Reads come from the
// user-interface thread and from a transfer worker at the same time.
#include <memory>
#include <string>

#include "core/settings/ini_document.h"

namespace corvane {

// The current content of the file; an empty document when it is missing or not
// readable. Never null.
std::shared_ptr<const IniDocument> LoadIniCached(const std::string& path);
// Tells the cache that the file was just rewritten by this process.
void ForgetIniCached(const std::string& path);

}  // namespace corvane
