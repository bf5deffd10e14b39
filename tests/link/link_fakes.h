#pragma once
// Stand-ins for the transfer engines' collaborators: a virtual clock, a serial
// port that plays a script against that clock, a USB link that answers from a
// script, and events that write everything down.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/link/clock.h"
#include "core/link/serial_port.h"
#include "core/link/transfer_engine.h"
#include "core/link/transfer_events.h"
#include "core/link/transfer_token.h"
#include "core/link/usb_link.h"

namespace corvane::testing {

class VirtualClock final : public IClock {
 public:
  void SleepMs(int ms) override { nowUs_ += int64_t{ms} * 1000; }
  int64_t NowMs() override { return nowUs_ / 1000; }
  int64_t NowUs() const { return nowUs_; }
  void AdvanceUs(int64_t us) { nowUs_ += us; }

 private:
  int64_t nowUs_ = 0;
};

// Bytes arrive at given virtual times; `onWrite` lets the script answer what the
// PC sends. With a character time, the port is a line: each byte written takes
// that long to leave (the virtual clock goes on by it) and its departure is kept.
class ScriptedPort final : public ISerialPort {
 public:
  explicit ScriptedPort(VirtualClock& clock, int64_t characterUs = 0) : clock_(clock), characterUs_(characterUs) {}

  // `bytes` arrive `afterMs` from now.
  void Arrive(const std::string& bytes, int64_t afterMs = 0) { pending_.push_back({clock_.NowMs() + afterMs, bytes}); }
  // The line breaks `afterMs` from now.
  void LoseAfter(int64_t afterMs, std::string why = "gone") {
    lostAt_ = clock_.NowMs() + afterMs;
    lostWhy_ = std::move(why);
  }

  std::function<void(const std::string& bytes)> onWrite;
  std::function<void()> onRead;
  std::string written;
  std::vector<int64_t> leftAtUs;  // when each written byte had left the line
  int purges = 0;
  int closes = 0;
  int opens = 0;
  int openError = 0;  // the next open fails with it
  std::string openedDevice;

  bool OpenLine(const std::string& device, const LineSettings&) override {
    if (open_) return true;
    if (openError) return false;
    ++opens;
    openedDevice = device;
    open_ = true;
    return true;
  }
  int OpenError() const override { return openError; }
  bool IsOpen() const override { return open_; }
  bool Close() override {
    if (open_) ++closes;
    open_ = false;
    return true;
  }
  int Write(const void* data, int count) override {
    if (!open_ || count <= 0 || Lost()) return 0;
    const std::string bytes(static_cast<const char*>(data), static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      clock_.AdvanceUs(characterUs_);
      leftAtUs.push_back(clock_.NowUs());
    }
    written += bytes;
    if (onWrite) onWrite(bytes);
    return count;
  }
  int Read(void* buffer, int limit) override {
    if (onRead) onRead();
    if (!open_ || Lost()) return 0;
    Deliver();
    const int n = std::min<int>(limit, static_cast<int>(arrived_.size()));
    arrived_.copy(static_cast<char*>(buffer), static_cast<size_t>(n));
    arrived_.erase(0, static_cast<size_t>(n));
    return n;
  }
  void Purge() override {
    ++purges;
    Deliver();
    arrived_.clear();
  }
  void WaitForInput(int ms) override {
    int64_t until = clock_.NowMs() + ms;
    for (const auto& p : pending_) until = std::min(until, std::max(p.at, clock_.NowMs()));
    clock_.SleepMs(static_cast<int>(until - clock_.NowMs()));
  }
  std::string LinkFault() const override { return Lost() ? lostWhy_ : std::string(); }

 private:
  struct Arrival {
    int64_t at;
    std::string bytes;
  };
  bool Lost() const { return lostAt_ >= 0 && clock_.NowMs() >= lostAt_; }
  void Deliver() {
    for (auto it = pending_.begin(); it != pending_.end();) {
      if (it->at <= clock_.NowMs()) {
        arrived_ += it->bytes;
        it = pending_.erase(it);
      } else {
        ++it;
      }
    }
  }
  VirtualClock& clock_;
  int64_t characterUs_;
  bool open_ = true;
  std::vector<Arrival> pending_;
  std::string arrived_;
  int64_t lostAt_ = -1;
  std::string lostWhy_;
};

// What an engine owns when the test keeps the port: every call goes to the port
// the test holds.
class PortRef final : public ISerialPort {
 public:
  explicit PortRef(ISerialPort& port) : port_(port) {}
  bool OpenLine(const std::string& device, const LineSettings& line) override { return port_.OpenLine(device, line); }
  int OpenError() const override { return port_.OpenError(); }
  bool IsOpen() const override { return port_.IsOpen(); }
  bool Close() override { return port_.Close(); }
  int Write(const void* data, int count) override { return port_.Write(data, count); }
  int Read(void* buffer, int limit) override { return port_.Read(buffer, limit); }
  void Purge() override { port_.Purge(); }
  void WaitForInput(int ms) override { port_.WaitForInput(ms); }
  std::string LinkFault() const override { return port_.LinkFault(); }

 private:
  ISerialPort& port_;
};
inline std::unique_ptr<ISerialPort> Ref(ISerialPort& port) { return std::make_unique<PortRef>(port); }

class UsbRef final : public IUsbLink {
 public:
  explicit UsbRef(IUsbLink& usb) : usb_(usb) {}
  int WriteData(int channel, const unsigned char* data, int count, int timeoutMs) override {
    return usb_.WriteData(channel, data, count, timeoutMs);
  }
  int ReadData(int channel, unsigned char* buffer, int size, int timeoutMs) override {
    return usb_.ReadData(channel, buffer, size, timeoutMs);
  }
  void EndTransfer() override { usb_.EndTransfer(); }
  std::string LastError() override { return usb_.LastError(); }

 private:
  IUsbLink& usb_;
};
inline std::unique_ptr<IUsbLink> Ref(IUsbLink& usb) { return std::make_unique<UsbRef>(usb); }

// Answers each call from a queue of results per channel; records every call as
// "W1:<bytes>" or "R0:<size>".
class ScriptedUsb final : public IUsbLink {
 public:
  struct ReadAnswer {
    int result;
    std::string bytes;
  };
  std::map<int, std::deque<int>> writeResults;    // default: the count
  std::map<int, std::deque<ReadAnswer>> reads;    // then readDefault (0: nothing)
  std::map<int, int> readDefault;
  std::vector<std::string> calls;
  std::vector<int> timeouts;
  std::function<void()> onRead;
  std::function<void()> onWrite;
  int ended = 0;  // transfers that let the link go
  std::string lastError;  // what LastError tells
  void EndTransfer() override { ++ended; }
  std::string LastError() override { return lastError; }

  int WriteData(int channel, const unsigned char* data, int count, int timeoutMs) override {
    calls.push_back("W" + std::to_string(channel) + ":" + std::string(reinterpret_cast<const char*>(data), count));
    timeouts.push_back(timeoutMs);
    if (onWrite) onWrite();
    auto& q = writeResults[channel];
    if (q.empty()) return count;
    const int r = q.front();
    q.pop_front();
    return r;
  }
  int ReadData(int channel, unsigned char* buffer, int size, int timeoutMs) override {
    calls.push_back("R" + std::to_string(channel) + ":" + std::to_string(size));
    timeouts.push_back(timeoutMs);
    if (onRead) onRead();
    auto& q = reads[channel];
    if (q.empty()) return readDefault[channel];
    ReadAnswer a = q.front();
    q.pop_front();
    std::copy(a.bytes.begin(), a.bytes.end(), buffer);
    return a.result;
  }
};

// Everything the pages would have been told, in order: "1128 N text", "1129 N
// text", "msg text", "status text", and at the end the transfer's message as "msg
// text", its last status text as "status text", then "end completed|failed|stopped"
// (with " kept" when a download's text goes to the grid).
class RecordingEvents final : public ITransferEvents {
 public:
  std::vector<std::string> log;
  std::vector<TransferProgress> progress;
  std::string codeFile;
  std::function<void()> onSent;

  void TransferEnded(const TransferResult& result) override {
    if (!result.message.empty()) log.push_back("msg " + result.message);
    if (!result.output.status.empty()) log.push_back("status " + result.output.status);
    log.push_back(std::string("end ") + OutcomeName(result) + (result.output.handOver ? " kept" : ""));
    last = result;
  }
  static const char* OutcomeName(const TransferResult& result) {
    return result.Completed() ? "completed" : result.Stopped() ? "stopped" : "failed";
  }
  // Runs the engine as the worker does: its result is the last call.
  TransferResult Run(ITransferEngine& engine) {
    TransferEnded(engine.Run());
    return last;
  }
  TransferResult last;
  void RecordSent(const SentRecord& r) override {
    log.push_back(std::string(r.code ? "1129 " : "1128 ") + std::to_string(r.SentLineCount) + " " + r.LastSentLine);
    if (onSent) onSent();
  }
  void Progress(const TransferProgress& p) override { progress.push_back(p); }
  void ShowMessage(const std::string& text, MessageIcon) override { log.push_back("msg " + text); }
  void SetStatusText(const std::string& text) override { log.push_back("status " + text); }
  std::string ChooseCodeFile() override { return codeFile; }

  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const auto& l : log)
      if (l.rfind("msg ", 0) == 0) out.push_back(l.substr(4));
    return out;
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& l : log) n += l.rfind(prefix, 0) == 0;
    return n;
  }
};

// How a transfer ended, for comparisons in tests.
enum class Outcome { Completed, Failed, Stopped };
inline Outcome OutcomeOf(const TransferResult& r) {
  return r.Completed() ? Outcome::Completed : r.Stopped() ? Outcome::Stopped : Outcome::Failed;
}

// Settings from a map, for the upload layout and coordinate order.
class MapSettings final : public ISettingsReader {
 public:
  std::map<std::string, std::string> values;  // "Section/Name"
  std::string ReadSetting(SettingsSection section, std::string_view name, std::string_view def) const override {
    auto it = values.find(std::string(SectionName(section)) + "/" + std::string(name));
    return it == values.end() ? std::string(def) : it->second;
  }
};

}  // namespace corvane::testing

namespace corvane::testing {

// Real time run faster: the engines' pauses and limits shrink by `scale`, so a test
// against a real line sees every step in a fraction of the time. A pause never
// shrinks below `floorMs` of real time (nor grows past its own length), so the
// instrument on the other end always has time to answer a request.
class ScaledClock final : public IClock {
 public:
  explicit ScaledClock(int scale, int floorMs = 0)
      : scale_(scale), floorMs_(floorMs), start_(std::chrono::steady_clock::now()) {}
  void SleepMs(int ms) override {
    if (ms <= 0) return;
    const int64_t us = std::max(int64_t{ms} * 1000 / scale_, int64_t{std::min(ms, floorMs_)} * 1000);
    std::this_thread::sleep_for(std::chrono::microseconds(us));
  }
  int64_t NowMs() override {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_).count() *
           scale_ / 1000;
  }

 private:
  int scale_;
  int floorMs_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace corvane::testing
