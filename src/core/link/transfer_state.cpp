#include "core/link/transfer_state.h"

namespace corvane {

void TransferState::ClearReceiveBuffer() {
  std::lock_guard lock(receiveMutex_);
  ReceiveBuffer_.clear();
  lineEnds_ = 0;
  markerScanned_ = 0;
  markerSeen_ = false;
}

void TransferState::AppendReceived(std::string_view text) {
  if (text.empty()) return;
  std::lock_guard lock(receiveMutex_);
  // A CR at the end of the last chunk pairs with an LF at the start of this one.
  size_t from = ReceiveBuffer_.size();
  ReceiveBuffer_.append(text);
  if (from > 0) --from;
  for (size_t i = from; i + 1 < ReceiveBuffer_.size(); ++i)
    if (ReceiveBuffer_[i] == '\r' && ReceiveBuffer_[i + 1] == '\n') ++lineEnds_;
  if (!markerSeen_ && ReceiveBuffer_[0] != '\x04') {
    markerSeen_ = ReceiveBuffer_.find('\x04', markerScanned_) != std::string::npos;
    markerScanned_ = ReceiveBuffer_.size();
  }
}

std::string TransferState::ReceiveBufferCopy() const {
  std::lock_guard lock(receiveMutex_);
  return ReceiveBuffer_;
}

size_t TransferState::ReceivedBytes() const {
  std::lock_guard lock(receiveMutex_);
  return ReceiveBuffer_.size();
}

size_t TransferState::ReceivedLineEnds() const {
  std::lock_guard lock(receiveMutex_);
  return lineEnds_;
}

bool TransferState::EndMarkerReceived() const {
  std::lock_guard lock(receiveMutex_);
  return markerSeen_;
}

}  // namespace corvane
