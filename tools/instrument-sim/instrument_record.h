#pragma once
// What the simulated instrument saw and did, for tests and for the program's log.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace corvane::sim {

struct UsbCall {
  char op = 0;  // 'W' or 'R'
  int channel = 0;
  std::string bytes;  // written, or read back
  int result = 0;
};

struct SavedUpload {
  std::string kind;   // "coordinates" or "codes"
  std::string bytes;  // as received, the end marker left out
};

class InstrumentRecord final {
 public:
  void Received(const char* data, size_t n);
  void Sent(const char* data, size_t n);
  void Call(UsbCall call);
  void Upload(SavedUpload upload);
  void Completed();
  void HungUp();
  // The first byte of a download's data is about to go out.
  void StreamStarted();
  // Bytes of a download's data that went out.
  void Streamed(size_t n);
  // A byte from the PC has come off the line (at the modelled time `at`); an
  // overrun is one that came while XOFF held and the receive FIFO was full.
  void Arrived(std::chrono::steady_clock::time_point at);
  void Overrun();

  std::string ReceivedBytes() const;
  std::string SentBytes() const;
  std::vector<UsbCall> Calls() const;
  std::vector<SavedUpload> Uploads() const;
  int CompletedCount() const;
  bool IsHungUp() const;
  std::chrono::steady_clock::time_point StreamStartTime() const;
  // When the last byte from the PC came off the line.
  std::chrono::steady_clock::time_point LastArrival() const;
  long long Overruns() const;
  long long StreamedBytes() const;
  // Waits until `count` transfers have completed or the instrument hung up; false
  // after `timeoutMs`.
  bool WaitForCompleted(int count, int timeoutMs) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::string received_;
  std::string sent_;
  std::vector<UsbCall> calls_;
  std::vector<SavedUpload> uploads_;
  int completed_ = 0;
  bool hungUp_ = false;
  std::chrono::steady_clock::time_point streamStart_;
  std::chrono::steady_clock::time_point lastArrival_;
  long long overruns_ = 0;
  long long streamed_ = 0;
};

}  // namespace corvane::sim
