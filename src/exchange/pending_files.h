#pragma once
// Files a library writes by name (GDAL's datasets): each is built under a
// temporary name in its target's folder and published only when the whole
// export has succeeded: every temporary is synced, renamed over its target
// (keeping the target's mode, through a symbolic link), and the folder synced.
// Whatever was not published is removed, so a failed export leaves the old files
// as they were and no partial file behind.
#include <string>
#include <vector>

namespace corvane::exchange {

class PendingFiles final {
 public:
  PendingFiles() = default;
  ~PendingFiles();
  PendingFiles(const PendingFiles&) = delete;
  PendingFiles& operator=(const PendingFiles&) = delete;

  // A fresh temporary name beside `target` that ends with `extension` (".gpkg"),
  // so a library choosing its format by the name is content. Nothing is created.
  std::string TemporaryFor(const std::string& target, const std::string& extension);
  // A file a library may make beside a temporary (a journal, a Shapefile's .dbf):
  // removed with the temporaries.
  void Reserve(const std::string& name) { reserved_.push_back(name); }
  // The temporary will replace the target at Publish (when it exists then).
  void Add(const std::string& temporary, const std::string& target);
  // Files of the target to remove at Publish when no temporary replaces them
  // (a Shapefile's old .prj when the new one has none).
  void RemoveAtPublish(const std::string& target);
  // False, with the file and the reason, when a temporary cannot be synced or
  // renamed; the temporaries left are removed.
  bool Publish(std::string& error);

 private:
  struct Entry {
    std::string temporary;
    std::string target;
  };
  std::vector<Entry> entries_;
  std::vector<std::string> reserved_;  // every temporary name handed out
  std::vector<std::string> stale_;
};

// The folder of a path ("." for a bare name).
std::string FolderOf(const std::string& path);
// Why a file cannot be written there: the folder is missing, is no folder or
// refuses writing; empty when it looks writable.
std::string WhyNotWritable(const std::string& target);

}  // namespace corvane::exchange
