#include "core/link/transfer_trace.h"

#include <cerrno>

#include "core/text/numbers.h"
#include "core/text/text_file.h"

namespace corvane {
namespace {
constexpr int kNoChannel = -1;
constexpr int kNoResult = -1000000;
}  // namespace

TransferTrace::~TransferTrace() { Close(nullptr); }

bool TransferTrace::Open(const std::string& path, std::string* reason) {
  std::lock_guard lock(mutex_);
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) {
    if (reason) *reason = SystemErrorText(errno);
    return false;
  }
  start_ = std::chrono::steady_clock::now();
  failed_ = false;
  return true;
}

void TransferTrace::Stamp() {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  if (std::fprintf(file_, "%.6f ", seconds) < 0) failed_ = true;
}

void TransferTrace::Bytes(std::string_view direction, int channel, const unsigned char* data, int count, int result) {
  std::lock_guard lock(mutex_);
  if (!file_) return;
  Stamp();
  std::string line(direction);
  if (channel != kNoChannel) line += " ch" + std::to_string(channel);
  std::string text;
  for (int i = 0; i < count; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", data[i]);
    line += hex;
    text.push_back(data[i] >= 0x20 && data[i] < 0x7f ? static_cast<char>(data[i]) : '.');
  }
  if (count > 0) line += " |" + text + "|";
  if (result != kNoResult) line += " = " + std::to_string(result);
  line += "\n";
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) failed_ = true;
}

void TransferTrace::Note(std::string_view text) {
  std::lock_guard lock(mutex_);
  if (!file_) return;
  Stamp();
  std::string line(text);
  line += "\n";
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) failed_ = true;
}

bool TransferTrace::Close(std::string* reason) {
  std::lock_guard lock(mutex_);
  if (!file_) return true;
  const bool ok = std::fclose(file_) == 0 && !failed_;
  file_ = nullptr;
  if (!ok && reason) *reason = "the trace file could not be written completely";
  return ok;
}

bool TracingPort::OpenLine(const std::string& devicePath, const LineSettings& line) {
  static const char* const kParity[] = {"N", "O", "E"};
  static const char* const kStop[] = {"1", "1.5", "2"};
  const bool wasOpen = inner_.IsOpen();
  const bool opened = inner_.OpenLine(devicePath, line);
  if (!wasOpen)
    trace_.Note((opened ? "open " : "open failed ") + devicePath + " " + FormatInt(line.baud) + " " +
                FormatInt(line.dataBits) + kParity[line.parity % 3] + kStop[line.stopBits % 3]);
  return opened;
}

bool TracingPort::Close() {
  if (inner_.IsOpen()) trace_.Note("close");
  return inner_.Close();
}

void TracingPort::NoteFault() {
  if (faultNoted_) return;
  const std::string why = inner_.LinkFault();
  if (why.empty()) return;
  faultNoted_ = true;
  trace_.Note("link lost: " + why);
}

int TracingPort::Write(const void* data, int count) {
  const int sent = inner_.Write(data, count);
  trace_.Bytes("sent", kNoChannel, static_cast<const unsigned char*>(data), sent, kNoResult);
  NoteFault();
  return sent;
}

int TracingPort::Read(void* buffer, int limit) {
  const int got = inner_.Read(buffer, limit);
  if (got > 0) trace_.Bytes("recv", kNoChannel, static_cast<const unsigned char*>(buffer), got, kNoResult);
  NoteFault();
  return got;
}

void TracingPort::Purge() {
  trace_.Note("purge");
  inner_.Purge();
}

int TracingUsbLink::WriteData(int channel, const unsigned char* data, int count, int timeoutMs) {
  const int result = inner_.WriteData(channel, data, count, timeoutMs);
  trace_.Bytes("sent", channel, data, count, result);
  return result;
}

int TracingUsbLink::ReadData(int channel, unsigned char* buffer, int size, int timeoutMs) {
  const int result = inner_.ReadData(channel, buffer, size, timeoutMs);
  if (result != 0) trace_.Bytes("recv", channel, buffer, result > 0 ? result : 0, result);
  return result;
}

}  // namespace corvane
