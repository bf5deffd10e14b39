#pragma once
// Parsed INI files, re-read whenever the file on disk changes. Reads come from the
// user-interface thread and from a transfer worker at the same time.
#include <memory>
#include <string>

#include "core/settings/ini_document.h"

namespace corvane {

// Settings and caption files are small: a larger file is not read.
inline constexpr long kMaxIniBytes = 4 << 20;

struct IniFile {
  std::shared_ptr<const IniDocument> doc;  // never null; empty when missing or unreadable
  bool readable = true;                    // false: the file is there but could not be read
  std::string reason;                      // why it could not be read
};

// The current content of the file. A missing file is an empty, readable document.
IniFile LoadIniFile(const std::string& path);
// LoadIniFile(path).doc.
std::shared_ptr<const IniDocument> LoadIniCached(const std::string& path);
// Tells the cache that the file was just rewritten by this process.
void ForgetIniCached(const std::string& path);

}  // namespace corvane
