#pragma once
// ReceiveBuffer: what a download has received, owned by the download engine. It
// counts the CR LF pairs as they come and watches for the end marker.
#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

class ReceiveBuffer final {
 public:
  void Append(std::string_view text);
  const std::string& Text() const { return text_; }
  size_t Bytes() const { return text_.size(); }
  // Number of CR LF pairs received so far (a pair split between two chunks counts).
  size_t LineEnds() const { return lineEnds_; }
  // The end marker 0x04 stands at a position after the first byte (a buffer that
  // begins with 0x04 is never taken as finished, since the first 0x04 is what counts).
  bool EndMarkerReceived() const { return markerSeen_; }

 private:
  std::string text_;
  size_t lineEnds_ = 0;
  size_t markerScanned_ = 0;
  bool markerSeen_ = false;
};

}  // namespace corvane
