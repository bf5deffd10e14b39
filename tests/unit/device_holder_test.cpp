// Which process holds a serial device, and the busy port's message that names it.
#include "core/link/device_holder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "core/link/transfer_texts.h"
#include "support/test_support.h"

namespace corvane::testing {
namespace {

TEST(DeviceHolders, AreFoundByTheFileTheyHoldOpen) {
  TempDir dir;
  const std::string device = dir.File("ttyUSB0"), other = dir.File("ttyUSB1");
  WriteBytes(device, "");
  WriteBytes(other, "");
  // A process table of two programs holding the device, one holding another
  // file and one whose open files cannot be read.
  const std::string proc = dir.File("proc");
  const auto process = [&](const char* pid, const char* comm, const std::string& file) {
    WriteBytes(proc + "/" + pid + "/comm", std::string(comm) + "\n");
    std::filesystem::create_directories(proc + "/" + pid + "/fd");
    if (!file.empty()) std::filesystem::create_symlink(file, proc + "/" + pid + "/fd/3");
  };
  process("812", "minicom", device);
  process("77", "screen", other);
  process("90", "ModemManager", device);
  process("5", "secret", "");
  std::filesystem::create_directories(proc + "/self");
  EXPECT_EQ(DeviceHoldersText(FindDeviceHolders(device, proc)), "ModemManager (process 90), minicom (process 812)");
  EXPECT_TRUE(FindDeviceHolders(dir.File("gone"), proc).empty());
  EXPECT_EQ(DeviceHoldersText({}), "");
}

TEST(DeviceHolders, ABusyPortsMessageNamesTheProcessHoldingIt) {
  TempDir dir;
  const std::string device = dir.File("ttyACM0");
  WriteBytes(device, "");
  const std::string free = TransferTexts::PortOpenFailed(3, 1, true, device, EBUSY);
  EXPECT_EQ(free.find("(in use by"), std::string::npos) << free;
  // This process holds it: the real process table finds it.
  const int fd = ::open(device.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  const std::string held = TransferTexts::PortOpenFailed(3, 1, true, device, EBUSY);
  const std::string notBusy = TransferTexts::PortOpenFailed(3, 1, true, device, ENOENT);
  ::close(fd);
  EXPECT_NE(held.find("(in use by "), std::string::npos) << held;
  EXPECT_NE(held.find("(process " + std::to_string(::getpid()) + ")"), std::string::npos) << held;
  EXPECT_EQ(notBusy.find("(in use by"), std::string::npos) << notBusy;
}

}  // namespace
}  // namespace corvane::testing
