#pragma once
// What the transfer pages do around the workers: line settings and the progress
// text. Shared by the desktop pages and the command-line transfers.
#include <cstdint>
#include <string>

#include "core/link/serial_port.h"
#include "core/settings/settings_store.h"

namespace corvane {

// "Port", "Baud", "Character", "StopBit" and "Parity" of section ComStatus (each a
// 16-bit number, default 0) through the index tables. "Protocol" has no effect.
LineSettings ReadLineSettings(const ISettingsReader& settings);

// The RS-232 page's timer text: "\r\n       N" with N = line ends - 1 once two
// have come, else the waiting text.
std::string SerialProgressText(uint64_t lineEnds);
// The USB page's timer text: the waiting text when nothing has come, the count once
// two line ends have come, else the previous text.
std::string UsbProgressText(uint64_t bytes, uint64_t lineEnds, const std::string& previous);

}  // namespace corvane
