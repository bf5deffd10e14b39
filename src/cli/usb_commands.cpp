// corvane480-cli usb-devices: the USB devices connected to the PC, to find the
// instrument's ids and endpoints for section [Usb] of the settings.
#include <cstdio>

#include "cli_common.h"
#include "easyusb214x/usb_device_list.h"

namespace corvane::cli {
namespace {

usb::UsbDeviceSettings ConfiguredUsb(const CliEnv& env) {
  return usb::ParseUsbDeviceSettings(env.settings.UsbSetting("VendorId", ""), env.settings.UsbSetting("ProductId", ""),
                                     env.settings.UsbSetting("Serial", ""), env.settings.UsbSetting("Endpoints", ""));
}

int RunUsbDevices(const CliArgs& args, CliEnv& env) {
  const bool rule = args.Flag("--udev-rule");
  args.ExpectNoMore(0);
  const usb::UsbDeviceSettings settings = ConfiguredUsb(env);
  if (rule) {
    if (settings.vendorId == 0 && settings.productId == 0) return Fail(settings.problem);
    std::printf("%s\n", usb::UdevRuleLine(settings.vendorId, settings.productId).c_str());
    return kExitOk;
  }
  std::vector<usb::UsbDeviceInfo> devices;
  std::string reason;
  if (!usb::ListUsbDevices(devices, &reason)) return Fail(reason);
  std::fputs(usb::DescribeUsbDevices(devices, settings).c_str(), stdout);
  for (const usb::UsbDeviceInfo& d : devices) {
    if (usb::IsConfiguredDevice(d, settings) && d.accessRefused) {
      std::fprintf(stderr, "%s\n", usb::AccessRefusedText(settings.vendorId, settings.productId).c_str());
      return kExitFailed;
    }
  }
  return kExitOk;
}

const bool registered = RegisterCommand(
    {"usb-devices", "usb-devices [--udev-rule]",
     "list the USB devices (ids, names, endpoints), marking the configured instrument with *; --udev-rule prints "
     "the udev rule line for it",
     {"--udev-rule"}, RunUsbDevices});

}  // namespace
}  // namespace corvane::cli
