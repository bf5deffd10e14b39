#pragma once
// Which processes hold a device open: the open files under /proc/<pid>/fd that
// are the device itself. Processes of other users whose files cannot be read
// are not found.
#include <string>
#include <vector>

namespace corvane {

struct DeviceHolder {
  int pid = 0;
  std::string name;  // the process's command name (/proc/<pid>/comm)
};

// `procRoot` is "/proc" except in tests. Empty when the device does not exist or
// nobody readable holds it.
std::vector<DeviceHolder> FindDeviceHolders(const std::string& device, const std::string& procRoot = "/proc");

// "minicom (process 1234)", several joined by ", "; "" for none.
std::string DeviceHoldersText(const std::vector<DeviceHolder>& holders);

}  // namespace corvane
