#include "core/link/transfer_pages.h"

#include "core/link/transfer_texts.h"
#include "core/text/numbers.h"

namespace corvane {
namespace {
int ReadIndex(const ISettingsReader& settings, const char* name) {
  return ToShort(CAtoi(settings.ReadSetting(SettingsSection::ComStatus, name, "0")));
}
}  // namespace

LineSettings ReadLineSettings(const ISettingsReader& settings) {
  LineSettings line;
  line.comNumber = PortFromIndex(ReadIndex(settings, "Port"));
  line.baud = BaudFromIndex(ReadIndex(settings, "Baud"));
  line.dataBits = DataBitsFromIndex(ReadIndex(settings, "Character"));
  line.stopBits = LineCodeFromIndex(ReadIndex(settings, "StopBit"));
  line.parity = LineCodeFromIndex(ReadIndex(settings, "Parity"));
  return line;
}

std::string SerialProgressText(uint64_t lineEnds) {
  return lineEnds >= 2 ? TransferTexts::LinesReceived(static_cast<long long>(lineEnds) - 1) : TransferTexts::Waiting();
}

std::string UsbProgressText(uint64_t bytes, uint64_t lineEnds, const std::string& previous) {
  if (bytes == 0) return TransferTexts::Waiting();
  return lineEnds >= 2 ? TransferTexts::LinesReceived(static_cast<long long>(lineEnds) - 1) : previous;
}

}  // namespace corvane
