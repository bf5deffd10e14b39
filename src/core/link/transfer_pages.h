#pragma once
// What the transfer pages do around the workers: line settings, opening the port,
// the progress text and the end of a serial upload. Shared by the desktop pages and
// the command-line transfers.
#include <string>

#include "core/link/transfer_state.h"
#include "core/settings/settings_store.h"

namespace corvane {

struct LineSettings {
  int comNumber = 1;  // COM1 is 1
  int baud = 9600;
  int dataBits = 8;
  int parity = 0;    // 0 none, 1 odd, 2 even
  int stopBits = 0;  // 0 one, 1 one and a half, 2 two
};

// "Port", "Baud", "Character", "StopBit" and "Parity" of section ComStatus (each a
// 16-bit number, default 0) through the index tables. "Protocol" has no effect.
LineSettings ReadLineSettings(const ISettingsReader& settings);

// Closes the port when open and opens `device` with the settings. On failure
// returns false and the message to show: the documented "COM%d ..." line (in the
// local language only where `localizedMessage`), then the device and the reason.
bool ReopenPort(CSerialPort& port, const std::string& device, const LineSettings& line, int languageIndex,
                bool localizedMessage, std::string* message);

// The RS-232 page's timer text: "\r\n       N" with N = line ends - 1 once two
// have come, else the waiting text.
std::string SerialProgressText(const TransferState& state);
// The USB page's timer text: the waiting text for an empty buffer, the count once
// two line ends have come, else the previous text.
std::string UsbProgressText(const TransferState& state, const std::string& previous);

// The RS-232 page when an upload has sent its whole file: purge and close the
// port, SentLineCount 65535; returns the status text to show.
std::string FinishSerialUpload(TransferState& state, int languageIndex);

}  // namespace corvane
