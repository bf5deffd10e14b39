#include "instrument_record.h"

namespace corvane::sim {

void InstrumentRecord::Received(const char* data, size_t n) {
  std::lock_guard lock(mutex_);
  received_.append(data, n);
}

void InstrumentRecord::Sent(const char* data, size_t n) {
  std::lock_guard lock(mutex_);
  sent_.append(data, n);
}

void InstrumentRecord::Call(UsbCall call) {
  std::lock_guard lock(mutex_);
  calls_.push_back(std::move(call));
}

void InstrumentRecord::Upload(SavedUpload upload) {
  std::lock_guard lock(mutex_);
  uploads_.push_back(std::move(upload));
}

void InstrumentRecord::Completed() {
  std::lock_guard lock(mutex_);
  ++completed_;
  changed_.notify_all();
}

void InstrumentRecord::HungUp() {
  std::lock_guard lock(mutex_);
  hungUp_ = true;
  changed_.notify_all();
}

void InstrumentRecord::StreamStarted() {
  std::lock_guard lock(mutex_);
  streamStart_ = std::chrono::steady_clock::now();
}

void InstrumentRecord::Streamed(size_t n) {
  std::lock_guard lock(mutex_);
  streamed_ += static_cast<long long>(n);
}

long long InstrumentRecord::StreamedBytes() const {
  std::lock_guard lock(mutex_);
  return streamed_;
}

void InstrumentRecord::Arrived(std::chrono::steady_clock::time_point at) {
  std::lock_guard lock(mutex_);
  lastArrival_ = at;
}

void InstrumentRecord::Overrun() {
  std::lock_guard lock(mutex_);
  ++overruns_;
}

std::chrono::steady_clock::time_point InstrumentRecord::LastArrival() const {
  std::lock_guard lock(mutex_);
  return lastArrival_;
}

long long InstrumentRecord::Overruns() const {
  std::lock_guard lock(mutex_);
  return overruns_;
}

std::chrono::steady_clock::time_point InstrumentRecord::StreamStartTime() const {
  std::lock_guard lock(mutex_);
  return streamStart_;
}

std::string InstrumentRecord::ReceivedBytes() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::string InstrumentRecord::SentBytes() const {
  std::lock_guard lock(mutex_);
  return sent_;
}

std::vector<UsbCall> InstrumentRecord::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<SavedUpload> InstrumentRecord::Uploads() const {
  std::lock_guard lock(mutex_);
  return uploads_;
}

int InstrumentRecord::CompletedCount() const {
  std::lock_guard lock(mutex_);
  return completed_;
}

bool InstrumentRecord::IsHungUp() const {
  std::lock_guard lock(mutex_);
  return hungUp_;
}

bool InstrumentRecord::WaitForCompleted(int count, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return completed_ >= count || hungUp_; }) &&
         completed_ >= count;
}

}  // namespace corvane::sim
