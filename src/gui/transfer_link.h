#pragma once
// What the transfer pages share for the whole run of the program: the one
// transfer state (serial port, received text, upload counters), the worker that
// runs one transfer at a time, and the clock and USB library the transfers use.
// The window thread never waits for a worker while the window is up: a transfer
// asked for while another is still ending starts when that one's end arrives.
#include <memory>

#include "core/link/clock.h"
#include "core/link/transfer_controller.h"
#include "core/link/transfer_engine.h"
#include "core/link/usb_link.h"

class QObject;

namespace corvane::gui {

class TransferBridge;

class TransferLink final {
 public:
  // The system clock and the USB library.
  TransferLink();
  // Another clock and USB link (tests run the pacing faster).
  TransferLink(IClock& clock, IUsbLink& usb);
  // Ends a transfer still running and waits for its worker.
  ~TransferLink();
  TransferLink(const TransferLink&) = delete;
  TransferLink& operator=(const TransferLink&) = delete;

  TransferState& State() { return state_; }
  IClock& Clock() { return *clock_; }
  IUsbLink& Usb() { return *usb_; }
  // How long a download waits for the instrument's next byte before it keeps
  // what arrived and says so.
  int SilenceLimitMs() const { return silenceLimitMs_; }
  void SetSilenceLimitMs(int ms) { silenceLimitMs_ = ms; }
  // A worker runs, a transfer waits to start, or the end of the last one has not
  // reached its page yet.
  bool Busy() const { return controller_.Busy() || pending_.engine != nullptr || bridge_ != nullptr; }

  // Clears TransferRunning: the running transfer ends at its next check, closes its
  // port on its worker and reports its end. Returns at once.
  void RequestStop();
  // Runs the engine on the worker; the bridge carries the worker's calls to its
  // page and lives until the worker has ended. When a transfer is still ending,
  // this one waits for it (a later request replaces a waiting one).
  void Start(std::unique_ptr<TransferBridge> bridge, std::unique_ptr<ITransferEngine> engine);
  // The end of a worker's transfer has reached the window thread.
  void WorkerEnded(TransferBridge* bridge);
  // A page goes away: a transfer it runs or waits to run ends without reaching it
  // any more.
  void Release(const QObject* page);
  // The window closes: any transfer ends without reaching a window any more; the
  // worker closes its port on its own. Returns at once.
  void StopAll();
  // The program ends: as StopAll, then waits for the worker.
  void Shutdown();

 private:
  struct Next {
    std::unique_ptr<TransferBridge> bridge;
    std::unique_ptr<ITransferEngine> engine;
  };
  void Launch(Next next);

  std::unique_ptr<IClock> ownClock_;
  std::unique_ptr<IUsbLink> ownUsb_;
  IClock* clock_;
  IUsbLink* usb_;
  TransferState state_;
  TransferController controller_{state_};
  std::unique_ptr<TransferBridge> bridge_;
  Next pending_;
  int silenceLimitMs_ = kDefaultSilenceLimitMs;
};

}  // namespace corvane::gui
