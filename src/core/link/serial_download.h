#pragma once
// RS-232 download: "D0" until the instrument answers "1", then everything it sends
// goes into the download's ReceiveBuffer until the end marker 0x04.
#include <memory>
#include <optional>

#include "core/link/receive_buffer.h"
#include "core/link/transfer_engine.h"

namespace corvane {

class SerialDownload final : public SerialTransfer {
 public:
  // silenceLimitMs: an instrument that sends nothing for this long before the end
  // marker ends the download; what arrived is kept and handed to the data page.
  SerialDownload(TransferContext ctx, std::unique_ptr<ISerialPort> port, int silenceLimitMs = kDefaultSilenceLimitMs,
                 std::optional<PortRequest> open = {});

 private:
  TransferResult Exchange() override;
  // Empty once the instrument answered "1"; the result when the download ended.
  std::optional<TransferResult> Connect();
  TransferResult Receive();
  // What arrived goes with the result, to the grid as well when there is any.
  TransferResult KeepingData(TransferResult result) const;

  int silenceLimitMs_;
  ReceiveBuffer ReceiveBuffer_;
};

}  // namespace corvane
