#pragma once
// The USB devices connected to the PC, with what a surveyor needs to set up the
// link: ids, maker and product names, and each interface's endpoints.
#include <cstdint>
#include <string>
#include <vector>

#include "easyusb214x/usb_device_settings.h"

namespace corvane::usb {

struct UsbEndpointInfo {
  unsigned char address = 0;  // 0x80 set: IN (device to PC)
  std::string type;           // "bulk", "interrupt", "isochronous"
  int packetSize = 0;
};

struct UsbInterfaceInfo {
  int number = 0;
  int interfaceClass = 0;
  std::vector<UsbEndpointInfo> endpoints;
};

struct UsbDeviceInfo {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  int bus = 0;
  int address = 0;
  // Read from the device; empty when it has none or it cannot be opened.
  std::string maker;
  std::string product;
  std::string serial;
  // Why the device cannot be opened by this user ("" when it can).
  std::string openProblem;
  bool accessRefused = false;
  std::vector<UsbInterfaceInfo> interfaces;
};

// False with the reason when USB cannot be looked at at all.
bool ListUsbDevices(std::vector<UsbDeviceInfo>& devices, std::string* reason);

// Whether a device is the one the settings name (ids, and the serial number when
// one is set).
bool IsConfiguredDevice(const UsbDeviceInfo& device, const UsbDeviceSettings& settings);

// The endpoint map that fits a device: its first interface with bulk (or
// interrupt) endpoints; channels 1 and 3 write, 0 and 2 read, in endpoint order.
// Empty when the device has no such endpoints.
std::string SuggestedEndpointMap(const UsbDeviceInfo& device);

// The listing printed by "corvane480-cli usb-devices": one block per device, the
// configured one marked with "*", endpoints with type, direction and packet size.
std::string DescribeUsbDevices(const std::vector<UsbDeviceInfo>& devices, const UsbDeviceSettings& settings);

}  // namespace corvane::usb
