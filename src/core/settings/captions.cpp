#include "core/settings/captions.h"

#include "core/settings/ini_cache.h"
#include "core/settings/program_folder.h"

namespace corvane {

std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view def) {
  auto doc = LoadIniCached(path);
  std::optional<std::string> v = doc->Get(section, key);
  std::string out = v ? std::move(*v) : std::string(def);
  if (out.size() > 259) out.resize(259);
  return out;
}

CaptionReader CaptionReader::ForLanguage(int languageIndex) {
  return CaptionReader(CaptionFilePath(languageIndex));
}

}  // namespace corvane
