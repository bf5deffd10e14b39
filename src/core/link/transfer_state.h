#pragma once
// The state the transfer pages, the data page and the one transfer worker share.
// The application owns one and passes it by reference.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "core/link/serial_port.h"

namespace corvane {

class TransferState final {
 public:
  // Cleared by every transfer button; a worker stops at its next check when clear.
  std::atomic<bool> TransferRunning{false};
  // The number of the line just sent and its text. The worker writes them and then
  // waits while the data page reads them.
  uint16_t SentLineCount = 0;
  std::string LastSentLine;

  CSerialPort& Port() { return port_; }

  // ReceiveBuffer: appended by a download worker while the page reads it.
  void ClearReceiveBuffer();
  void AppendReceived(std::string_view text);
  std::string ReceiveBufferCopy() const;
  size_t ReceivedBytes() const;
  // Number of CR LF pairs received so far.
  size_t ReceivedLineEnds() const;
  // The end marker 0x04 stands in the buffer at a position after the first byte (a
  // buffer that begins with 0x04 is never taken as finished, since the first 0x04
  // is what counts).
  bool EndMarkerReceived() const;

 private:
  mutable std::mutex receiveMutex_;
  std::string ReceiveBuffer_;
  size_t lineEnds_ = 0;
  size_t markerScanned_ = 0;
  bool markerSeen_ = false;
  CSerialPort port_;
};

}  // namespace corvane
