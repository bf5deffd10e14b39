#include "core/link/receive_buffer.h"

namespace corvane {

void ReceiveBuffer::Append(std::string_view text) {
  if (text.empty()) return;
  // A CR at the end of the last chunk pairs with an LF at the start of this one.
  size_t from = text_.size();
  text_.append(text);
  if (from > 0) --from;
  for (size_t i = from; i + 1 < text_.size(); ++i)
    if (text_[i] == '\r' && text_[i + 1] == '\n') ++lineEnds_;
  if (!markerSeen_ && text_[0] != '\x04') {
    markerSeen_ = text_.find('\x04', markerScanned_) != std::string::npos;
    markerScanned_ = text_.size();
  }
}

}  // namespace corvane
