#pragma once
// A record of every byte that goes to and comes from the instrument, with the time
// and the direction, for finding out what went wrong on a line in the field.
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "core/link/serial_port.h"
#include "core/link/usb_link.h"

namespace corvane {

// Lines of the form
//   0.300412 recv 31 |1|
//   0.000051 sent ch1 44 30 00 |D0.| = 3
// seconds since the trace began, direction, USB channel, bytes in hex, the bytes
// as text (other bytes as "."), and for USB calls the library's result.
class TransferTrace final {
 public:
  TransferTrace() = default;
  ~TransferTrace();
  TransferTrace(const TransferTrace&) = delete;
  TransferTrace& operator=(const TransferTrace&) = delete;

  bool Open(const std::string& path, std::string* reason);
  bool IsOpen() const { return file_ != nullptr; }
  void Bytes(std::string_view direction, int channel, const unsigned char* data, int count, int result);
  void Note(std::string_view text);
  // False when something could not be written.
  bool Close(std::string* reason);

 private:
  void Stamp();
  std::FILE* file_ = nullptr;
  std::mutex mutex_;
  std::chrono::steady_clock::time_point start_;
  bool failed_ = false;
};

// A serial port that records its traffic. It owns the port it wraps.
class TracingPort final : public ISerialPort {
 public:
  TracingPort(std::unique_ptr<ISerialPort> inner, TransferTrace& trace) : own_(std::move(inner)), inner_(*own_), trace_(trace) {}
  bool OpenLine(const std::string& devicePath, const LineSettings& line) override;
  int OpenError() const override { return inner_.OpenError(); }
  bool IsOpen() const override { return inner_.IsOpen(); }
  bool Close() override;
  int Write(const void* data, int count) override;
  int Read(void* buffer, int limit) override;
  void Purge() override;
  void WaitForInput(int ms) override { inner_.WaitForInput(ms); }
  std::string LinkFault() const override { return inner_.LinkFault(); }

 private:
  void NoteFault();
  std::unique_ptr<ISerialPort> own_;
  ISerialPort& inner_;
  TransferTrace& trace_;
  bool faultNoted_ = false;
};

// A USB link that records its traffic. It owns the link it wraps.
class TracingUsbLink final : public IUsbLink {
 public:
  TracingUsbLink(std::unique_ptr<IUsbLink> inner, TransferTrace& trace) : own_(std::move(inner)), inner_(*own_), trace_(trace) {}
  int WriteData(int channel, const unsigned char* data, int count, int timeoutMs) override;
  int ReadData(int channel, unsigned char* buffer, int size, int timeoutMs) override;
  void EndTransfer() override { inner_.EndTransfer(); }
  std::string LastError() override { return inner_.LastError(); }

 private:
  std::unique_ptr<IUsbLink> own_;
  IUsbLink& inner_;
  TransferTrace& trace_;
};

}  // namespace corvane
