#pragma once
// Where the USB library finds the instrument: its vendor and product id, an
// optional serial number, and the endpoint each channel number uses. Read from the
// settings section "Usb" (keys VendorId, ProductId, Serial, Endpoints).
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace corvane::usb {

// Channel numbers mapped to endpoint addresses; an address with 0x80 set is read
// from (IN), any other is written to (OUT).
struct EndpointMap {
  std::map<int, unsigned char> out;
  std::map<int, unsigned char> in;
};

// "1:0x01,0:0x81,3:0x03" (decimal or 0x-hexadecimal numbers, blanks allowed). An
// empty text is an empty map. False with the reason on a malformed entry.
bool ParseEndpointMap(std::string_view text, EndpointMap& map, std::string* reason);
std::string FormatEndpointMap(const EndpointMap& map);
// The endpoint of a channel: the listed one, else OUT endpoint N or IN endpoint
// 0x80|N. -1 when the channel has none (endpoint 0 is the control pipe, and USB
// has no endpoint above 15).
int EndpointFor(const EndpointMap& map, int channel, bool in);

// A 16-bit id in hexadecimal, with or without "0x" ("12ab", "0x12AB").
bool ParseUsbId(std::string_view text, uint16_t& id);
// Four lower-case hex digits.
std::string FormatUsbId(uint16_t id);
// An endpoint address or class byte as "0x81".
std::string FormatUsbByte(unsigned value);

struct UsbDeviceSettings {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::string serial;
  EndpointMap endpoints;
  // Why no device can be looked for (ids not set or not readable, bad map); empty
  // when the settings are usable.
  std::string problem;
};

UsbDeviceSettings ParseUsbDeviceSettings(std::string_view vendorId, std::string_view productId,
                                         std::string_view serial, std::string_view endpoints);

// The udev rule line that gives the logged-in user access to a device.
std::string UdevRuleLine(uint16_t vendorId, uint16_t productId);
// Where the installation puts its rule, and what to do when access is refused.
inline constexpr char kUdevRuleFile[] = "/usr/lib/udev/rules.d/70-corvane480-usb.rules";
std::string AccessRefusedText(uint16_t vendorId, uint16_t productId);

}  // namespace corvane::usb
