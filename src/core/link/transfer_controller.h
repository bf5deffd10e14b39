#pragma once
// Runs transfer engines on a worker thread, one at a time: starting a transfer
// first stops the old worker and waits for it, so the port is never used by two
// threads.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/link/transfer_engine.h"

namespace corvane {

class TransferController final {
 public:
  explicit TransferController(TransferToken& token) : token_(token) {}
  ~TransferController();
  TransferController(const TransferController&) = delete;
  TransferController& operator=(const TransferController&) = delete;

  // Called while waiting for a worker, every few milliseconds. The desktop program
  // handles its queued calls there, so a worker waiting for the data page (or for a
  // message box) can go on to its next check and end.
  using WaitHook = std::function<void()>;

  // Asks the worker to stop and waits until it has ended.
  void Stop(const WaitHook& whileWaiting = {});
  // Stops the old worker, starts the token and runs the engine on a new worker.
  // When the engine has ended (its link closed), the worker's last act is
  // `events.TransferEnded` with the result.
  void Start(std::unique_ptr<ITransferEngine> engine, ITransferEvents& events, const WaitHook& whileWaiting = {});
  // True while a worker has not ended.
  bool Busy() const;
  // Waits (without stopping it) until the worker ends; its result. The result of
  // the last worker when none runs.
  TransferResult Wait(const WaitHook& whileWaiting = {});

 private:
  TransferToken& token_;
  std::thread worker_;
  std::unique_ptr<ITransferEngine> engine_;
  mutable std::mutex mutex_;
  std::condition_variable finishedChanged_;
  bool finished_ = true;
  TransferResult result_;
};

}  // namespace corvane
