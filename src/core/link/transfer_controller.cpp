#include "core/link/transfer_controller.h"

#include <chrono>
#include <exception>

namespace corvane {

TransferController::~TransferController() { Stop(); }

void TransferController::Stop(const WaitHook& whileWaiting) {
  token_.RequestStop();
  Wait(whileWaiting);
}

bool TransferController::Busy() const {
  std::lock_guard lock(mutex_);
  return !finished_;
}

TransferResult TransferController::Wait(const WaitHook& whileWaiting) {
  if (!worker_.joinable()) return result_;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      if (finishedChanged_.wait_for(lock, std::chrono::milliseconds(5), [this] { return finished_; })) break;
    }
    if (whileWaiting) whileWaiting();
  }
  worker_.join();
  engine_.reset();
  return result_;
}

void TransferController::Start(std::unique_ptr<ITransferEngine> engine, ITransferEvents& events,
                               const WaitHook& whileWaiting) {
  Stop(whileWaiting);
  {
    std::lock_guard lock(mutex_);
    finished_ = false;
  }
  // Set here rather than by the worker itself, so a stop that comes before the
  // worker has started cannot be lost.
  token_.Start();
  engine_ = std::move(engine);
  worker_ = std::thread([this, engine = engine_.get(), &events] {
    TransferResult result;
    try {
      result = engine->Run();
    } catch (const std::exception& e) {
      result = Failure(e.what(), MessageIcon::Exclamation);
    }
    events.TransferEnded(result);
    std::lock_guard lock(mutex_);
    result_ = std::move(result);
    finished_ = true;
    finishedChanged_.notify_all();
  });
}

}  // namespace corvane
