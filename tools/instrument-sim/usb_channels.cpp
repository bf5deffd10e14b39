#include "usb_channels.h"

#include <algorithm>

namespace corvane::sim {
namespace {

std::string TextOf(const std::string& block) { return block.substr(0, std::min(block.find('\0'), block.size())); }

bool IsCall(const std::string& bytes, const char* text) {
  return bytes.size() == 3 && bytes[0] == text[0] && bytes[1] == text[1] && bytes[2] == '\0';
}

}  // namespace

void UsbChannels::Request(sim::Request request) {
  bool accepted = false;
  replies_.bytes += core_.Answer(request, accepted);
  if (!accepted) return;
  switch (request) {
    case sim::Request::Download: mode_ = Mode::AwaitAck; break;
    case sim::Request::Coordinates: mode_ = Mode::CoordinateName; break;
    case sim::Request::Codes: mode_ = Mode::CodeData; break;
  }
  upload_.clear();
  uploadIn_ = 0;
}

void UsbChannels::UploadBlock(sim::Request kind, const std::string& block, bool addLineEnd) {
  if (!block.empty() && block[0] == '\x04') {
    core_.FinishUpload(kind, std::move(upload_));
    upload_.clear();
    mode_ = Mode::Idle;
    return;
  }
  upload_ += TextOf(block);
  if (addLineEnd) upload_ += "\r\n";
  uploadIn_ += static_cast<long long>(block.size());
}

int UsbChannels::Write(int channel, const std::string& bytes) {
  const bool inUpload = mode_ == Mode::CodeData || mode_ == Mode::CoordinateData;
  if (channel == 1 && !inUpload && IsCall(bytes, "D0")) Request(sim::Request::Download);
  else if (channel == 1 && !inUpload && IsCall(bytes, "S0")) Request(sim::Request::Coordinates);
  else if (channel == 1 && !inUpload && IsCall(bytes, "S1")) Request(sim::Request::Codes);
  else if (channel == 1 && mode_ == Mode::AwaitAck && bytes.size() == 2 && bytes[0] == '1') {
    const std::string stream = core_.DownloadStream();
    streamComplete_ = stream.size() == core_.Config().job.size() + 1;
    streamSent_ = 0;
    data_ = {stream, 0};
    mode_ = Mode::Streaming;
    Record().StreamStarted();
  } else if (channel == 1 && mode_ == Mode::CoordinateName && bytes.size() == 16 && bytes.starts_with("#@*&\r\n")) {
    bool accepted = false;
    replies_.bytes += core_.SecondAnswer(accepted);
    mode_ = accepted ? Mode::CoordinateData : Mode::Idle;
  } else if (channel == 1 && mode_ == Mode::CodeData) {
    UploadBlock(sim::Request::Codes, bytes, false);
  } else if (channel == 3 && mode_ == Mode::CoordinateData) {
    UploadBlock(sim::Request::Coordinates, bytes, true);
  }
  return static_cast<int>(bytes.size());
}

size_t UsbChannels::Pending(int channel) const {
  const Outbox* box = Box(channel);
  if (!box) return 0;
  size_t n = box->Pending();
  const long long hangupAfter = core_.Config().hangupAfter;
  if (box == &data_ && hangupAfter >= 0) n = std::min<size_t>(n, static_cast<size_t>(std::max(0LL, hangupAfter - streamSent_)));
  return n;
}

std::string UsbChannels::Take(int channel, int size) {
  const size_t n = std::min(Pending(channel), static_cast<size_t>(std::max(size, 0)));
  if (n == 0) return {};
  Outbox& box = channel == 0 ? replies_ : data_;
  std::string out = box.bytes.substr(box.pos, n);
  box.pos += n;
  if (&box == &data_) {
    streamSent_ += static_cast<long long>(n);
    if (box.Pending() == 0 && mode_ == Mode::Streaming) {
      if (streamComplete_) core_.FinishDownload();
      mode_ = streamComplete_ ? Mode::Idle : Mode::Silent;
    }
  }
  return out;
}

bool UsbChannels::HangUpDue() const {
  const long long hangupAfter = core_.Config().hangupAfter;
  return hangupAfter >= 0 && (streamSent_ >= hangupAfter || uploadIn_ >= hangupAfter);
}

}  // namespace corvane::sim
