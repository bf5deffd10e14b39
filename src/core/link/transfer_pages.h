#pragma once
// What the transfer pages do around the workers: line settings and the progress
// text. Shared by the desktop pages and the command-line transfers.
#include <string>

#include "core/link/transfer_state.h"
#include "core/settings/settings_store.h"

namespace corvane {

// "Port", "Baud", "Character", "StopBit" and "Parity" of section ComStatus (each a
// 16-bit number, default 0) through the index tables. "Protocol" has no effect.
LineSettings ReadLineSettings(const ISettingsReader& settings);

// The RS-232 page's timer text: "\r\n       N" with N = line ends - 1 once two
// have come, else the waiting text.
std::string SerialProgressText(const TransferState& state);
// The USB page's timer text: the waiting text for an empty buffer, the count once
// two line ends have come, else the previous text.
std::string UsbProgressText(const TransferState& state, const std::string& previous);

}  // namespace corvane
