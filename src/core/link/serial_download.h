#pragma once
// RS-232 download: "D0" until the instrument answers "1", then everything it sends
// goes into ReceiveBuffer until the end marker 0x04.
#include <optional>

#include "core/link/transfer_engine.h"

namespace corvane {

class SerialDownload final : public ITransferEngine {
 public:
  // silenceLimitMs: an instrument that sends nothing for this long before the end
  // marker ends the download; what arrived is kept and handed to the data page.
  SerialDownload(TransferContext ctx, ISerialPort& port, int silenceLimitMs = kDefaultSilenceLimitMs);
  TransferResult Run() override;

 private:
  // Empty once the instrument answered "1"; the result when the download ended.
  std::optional<TransferResult> Connect();
  TransferResult Receive();
  // Ends a download that will not see its end marker: port closed, the bytes that
  // arrived handed over like a finished download, then the message.
  TransferResult EndKeepingData(const std::string& message);

  TransferContext ctx_;
  ISerialPort& port_;
  int silenceLimitMs_;
};

}  // namespace corvane
