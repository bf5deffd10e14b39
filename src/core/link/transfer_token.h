#pragma once
// The one object a transfer worker shares with the window or the command line: the
// stop request (TransferRunning) and how far the transfer has come, as atomics.
#include <atomic>
#include <cstdint>

#include "core/link/transfer_events.h"

namespace corvane {

class TransferToken final {
 public:
  // A transfer starts: it runs, and nothing has moved yet.
  void Start();
  // Any transfer button, Stop, Ctrl-C or the window closing: the worker ends at its
  // next check.
  void RequestStop() { TransferRunning_ = false; }
  bool Running() const { return TransferRunning_; }

  void Report(const TransferProgress& progress);
  TransferProgress Progress() const;

 private:
  std::atomic<bool> TransferRunning_{false};
  std::atomic<uint64_t> lines_{0};
  std::atomic<uint64_t> bytes_{0};
  std::atomic<unsigned> sent_{0};
  std::atomic<unsigned> total_{0};
};

}  // namespace corvane
