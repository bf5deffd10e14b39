#include "easyusb214x/usb_device_list.h"

#include <libusb.h>

#include <cstdio>

namespace corvane::usb {
namespace {

std::string Text(libusb_device_handle* h, uint8_t index) {
  if (!h || index == 0) return {};
  unsigned char text[256] = {};
  const int n = libusb_get_string_descriptor_ascii(h, index, text, sizeof text);
  return n > 0 ? std::string(reinterpret_cast<char*>(text), static_cast<size_t>(n)) : std::string();
}

const char* TypeName(int attributes) {
  switch (attributes & 0x03) {
    case LIBUSB_ENDPOINT_TRANSFER_TYPE_BULK: return "bulk";
    case LIBUSB_ENDPOINT_TRANSFER_TYPE_INTERRUPT: return "interrupt";
    case LIBUSB_ENDPOINT_TRANSFER_TYPE_ISOCHRONOUS: return "isochronous";
    default: return "control";
  }
}

void ReadInterfaces(libusb_device* dev, UsbDeviceInfo& info) {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(dev, &config) != 0 && libusb_get_config_descriptor(dev, 0, &config) != 0)
    return;
  for (int n = 0; n < config->bNumInterfaces; ++n) {
    if (config->interface[n].num_altsetting < 1) continue;
    const libusb_interface_descriptor& alt = config->interface[n].altsetting[0];
    UsbInterfaceInfo iface;
    iface.number = alt.bInterfaceNumber;
    iface.interfaceClass = alt.bInterfaceClass;
    for (int e = 0; e < alt.bNumEndpoints; ++e) {
      const libusb_endpoint_descriptor& d = alt.endpoint[e];
      iface.endpoints.push_back({d.bEndpointAddress, TypeName(d.bmAttributes), d.wMaxPacketSize & 0x7ff});
    }
    info.interfaces.push_back(std::move(iface));
  }
  libusb_free_config_descriptor(config);
}

}  // namespace

bool ListUsbDevices(std::vector<UsbDeviceInfo>& devices, std::string* reason) {
  devices.clear();
  libusb_context* ctx = nullptr;
  int rc = libusb_init(&ctx);
  if (rc != 0) {
    if (reason) *reason = std::string("USB devices cannot be listed: ") + libusb_strerror(rc);
    return false;
  }
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(ctx, &list);
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(list[i], &desc) != 0) continue;
    UsbDeviceInfo info;
    info.vendorId = desc.idVendor;
    info.productId = desc.idProduct;
    info.bus = libusb_get_bus_number(list[i]);
    info.address = libusb_get_device_address(list[i]);
    libusb_device_handle* h = nullptr;
    rc = libusb_open(list[i], &h);
    if (rc == 0) {
      info.maker = Text(h, desc.iManufacturer);
      info.product = Text(h, desc.iProduct);
      info.serial = Text(h, desc.iSerialNumber);
      libusb_close(h);
    } else if (rc == LIBUSB_ERROR_ACCESS) {
      info.openProblem = "no access for this user (see the udev rule)";
      info.accessRefused = true;
    } else {
      info.openProblem = libusb_strerror(rc);
    }
    ReadInterfaces(list[i], info);
    devices.push_back(std::move(info));
  }
  if (list) libusb_free_device_list(list, 1);
  libusb_exit(ctx);
  if (count < 0 && reason) *reason = std::string("USB devices cannot be listed: ") + libusb_strerror(static_cast<int>(count));
  return count >= 0;
}

bool IsConfiguredDevice(const UsbDeviceInfo& device, const UsbDeviceSettings& settings) {
  if (!settings.problem.empty() && settings.vendorId == 0 && settings.productId == 0) return false;
  return device.vendorId == settings.vendorId && device.productId == settings.productId &&
         (settings.serial.empty() || device.serial == settings.serial);
}

std::string SuggestedEndpointMap(const UsbDeviceInfo& device) {
  for (const UsbInterfaceInfo& iface : device.interfaces) {
    std::vector<unsigned> outs;
    std::vector<unsigned> ins;
    for (const UsbEndpointInfo& ep : iface.endpoints) {
      if (ep.type != "bulk" && ep.type != "interrupt") continue;
      ((ep.address & 0x80) ? ins : outs).push_back(ep.address);
    }
    if (outs.empty() || ins.empty()) continue;
    // Requests go out on channel 1, coordinate records on channel 3; replies come
    // in on channel 0, download data on channel 2.
    const unsigned out1 = outs[0];
    const unsigned out3 = outs.size() > 1 ? outs[1] : outs[0];
    const unsigned in0 = ins[0];
    const unsigned in2 = ins.size() > 1 ? ins[1] : ins[0];
    return "0:" + FormatUsbByte(in0) + ",1:" + FormatUsbByte(out1) + ",2:" + FormatUsbByte(in2) + ",3:" + FormatUsbByte(out3);
  }
  return {};
}

std::string DescribeUsbDevices(const std::vector<UsbDeviceInfo>& devices, const UsbDeviceSettings& settings) {
  std::string text;
  bool configuredSeen = false;
  for (const UsbDeviceInfo& d : devices) {
    const bool configured = IsConfiguredDevice(d, settings);
    configuredSeen = configuredSeen || configured;
    char head[96];
    std::snprintf(head, sizeof head, "%s %s:%s  bus %03d device %03d", configured ? "*" : " ",
                  FormatUsbId(d.vendorId).c_str(), FormatUsbId(d.productId).c_str(), d.bus, d.address);
    text += head;
    if (!d.maker.empty() || !d.product.empty()) text += "  " + d.maker + (d.maker.empty() ? "" : " ") + d.product;
    if (!d.serial.empty()) text += "  serial \"" + d.serial + "\"";
    if (configured) text += "  (configured)";
    text += "\n";
    if (!d.openProblem.empty()) text += "    cannot be opened: " + d.openProblem + "\n";
    for (const UsbInterfaceInfo& iface : d.interfaces) {
      text += "    interface " + std::to_string(iface.number) + " class " + FormatUsbByte(static_cast<unsigned>(iface.interfaceClass)) +
              "\n";
      for (const UsbEndpointInfo& ep : iface.endpoints)
        text += "      endpoint " + FormatUsbByte(ep.address) + " " + ep.type + " " + ((ep.address & 0x80) ? "IN " : "OUT") +
                " packet " + std::to_string(ep.packetSize) + "\n";
    }
  }
  if (devices.empty()) text += "No USB devices found.\n";
  if (!settings.problem.empty()) text += "\n" + settings.problem + "\n";
  else {
    text += "\nConfigured: " + FormatUsbId(settings.vendorId) + ":" + FormatUsbId(settings.productId);
    if (!settings.serial.empty()) text += " serial \"" + settings.serial + "\"";
    text += ", endpoints " + (settings.endpoints.in.empty() && settings.endpoints.out.empty()
                                  ? std::string("channel N -> N / 0x80|N")
                                  : FormatEndpointMap(settings.endpoints)) +
            (configuredSeen ? "\n" : "  (not connected)\n");
  }
  return text;
}

}  // namespace corvane::usb
