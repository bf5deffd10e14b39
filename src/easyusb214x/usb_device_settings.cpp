#include "easyusb214x/usb_device_settings.h"

#include <cctype>
#include <cstdio>

namespace corvane::usb {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// A number in decimal or with "0x" in hexadecimal; false for anything else or
// above `max`.
bool ParseNumber(std::string_view s, unsigned max, unsigned& value) {
  s = Trim(s);
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty() || s.size() > 8) return false;
  unsigned v = 0;
  for (char c : s) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    if (v > max) return false;
  }
  value = v;
  return true;
}

}  // namespace

bool ParseEndpointMap(std::string_view text, EndpointMap& map, std::string* reason) {
  EndpointMap result;
  text = Trim(text);
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const std::string_view entry = Trim(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    const size_t colon = entry.find(':');
    unsigned channel = 0;
    unsigned endpoint = 0;
    if (colon == std::string_view::npos || !ParseNumber(entry.substr(0, colon), 255, channel) ||
        !ParseNumber(entry.substr(colon + 1), 0xff, endpoint) || (endpoint & 0x70) != 0 || (endpoint & 0x0f) == 0) {
      if (reason)
        *reason = "\"" + std::string(entry) +
                  "\" is not channel:endpoint with an endpoint 0x01-0x0f (OUT) or 0x81-0x8f (IN)";
      return false;
    }
    auto& side = (endpoint & 0x80) ? result.in : result.out;
    side[static_cast<int>(channel)] = static_cast<unsigned char>(endpoint);
  }
  map = std::move(result);
  return true;
}

std::string FormatEndpointMap(const EndpointMap& map) {
  std::map<std::pair<int, int>, unsigned char> all;
  for (const auto& [channel, ep] : map.out) all[{channel, ep}] = ep;
  for (const auto& [channel, ep] : map.in) all[{channel, ep}] = ep;
  std::string text;
  for (const auto& [key, ep] : all) {
    if (!text.empty()) text += ',';
    text += std::to_string(key.first) + ":" + FormatUsbByte(ep);
  }
  return text;
}

int EndpointFor(const EndpointMap& map, int channel, bool in) {
  const auto& side = in ? map.in : map.out;
  if (auto it = side.find(channel); it != side.end()) return it->second;
  if (channel < 1 || channel > 15) return -1;
  return in ? (0x80 | channel) : channel;
}

bool ParseUsbId(std::string_view text, uint16_t& id) {
  text = Trim(text);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  if (text.empty() || text.size() > 4) return false;
  unsigned v = 0;
  if (!ParseNumber("0x" + std::string(text), 0xffff, v)) return false;
  id = static_cast<uint16_t>(v);
  return true;
}

std::string FormatUsbByte(unsigned value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02x", value & 0xffu);
  return buf;
}

std::string FormatUsbId(uint16_t id) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04x", static_cast<unsigned>(id));
  return buf;
}

UsbDeviceSettings ParseUsbDeviceSettings(std::string_view vendorId, std::string_view productId,
                                         std::string_view serial, std::string_view endpoints) {
  UsbDeviceSettings s;
  s.serial = std::string(Trim(serial));
  std::string reason;
  if (Trim(vendorId).empty() || Trim(productId).empty()) {
    s.problem =
        "The USB instrument's vendor and product id are not set: pick the instrument on the settings page, or "
        "set VendorId and ProductId in section [Usb] of the settings (corvane480-cli usb-devices lists them).";
  } else if (!ParseUsbId(vendorId, s.vendorId) || !ParseUsbId(productId, s.productId)) {
    s.problem = "The USB vendor id \"" + std::string(Trim(vendorId)) + "\" or product id \"" +
                std::string(Trim(productId)) + "\" is not a hexadecimal number of up to 4 digits.";
  } else if (!ParseEndpointMap(endpoints, s.endpoints, &reason)) {
    s.problem = "The USB endpoint map is not valid: " + reason + ".";
  }
  return s;
}

std::string UdevRuleLine(uint16_t vendorId, uint16_t productId) {
  return "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"" + FormatUsbId(vendorId) + "\", ATTR{idProduct}==\"" +
         FormatUsbId(productId) + "\", TAG+=\"uaccess\"";
}

std::string AccessRefusedText(uint16_t vendorId, uint16_t productId) {
  return "Access to the USB instrument " + FormatUsbId(vendorId) + ":" + FormatUsbId(productId) +
         " was refused. The udev rule " + std::string(kUdevRuleFile) +
         " gives the logged-in user access to it; for other ids put this line into "
         "/etc/udev/rules.d/70-corvane480-usb.rules:\n  " +
         UdevRuleLine(vendorId, productId) +
         "\nthen run \"sudo udevadm control --reload-rules && sudo udevadm trigger\" and plug the instrument in "
         "again.";
}

}  // namespace corvane::usb
