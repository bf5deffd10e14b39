#pragma once
// What the transfer pages share for the whole run of the program: the one
// transfer state (serial port, received text, upload counters), the worker that
// runs one transfer at a time, and the clock and USB library the transfers use.
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
  // Ends a transfer still running and closes the port.
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
  bool Busy() const { return controller_.Busy(); }

  // Ends the running transfer: TransferRunning cleared, the worker waited for
  // while the window goes on handling what the worker hands it; then the last
  // things it handed over are handled. The port stays as the worker left it.
  void StopWorker();
  // Stops the old worker and runs the engine on a new one. The bridge carries the
  // worker's calls to the page; it lives until the worker has ended.
  void Start(std::unique_ptr<TransferBridge> bridge, std::unique_ptr<ITransferEngine> engine);
  // A page goes away: a transfer it runs ends without reaching it any more, and
  // the port is closed.
  void Release(const QObject* page);
  // The program ends: any transfer ends without reaching a window, the port closes.
  void Shutdown();

 private:
  void EndDetached();

  std::unique_ptr<IClock> ownClock_;
  std::unique_ptr<IUsbLink> ownUsb_;
  IClock* clock_;
  IUsbLink* usb_;
  TransferState state_;
  TransferController controller_{state_};
  std::unique_ptr<TransferBridge> bridge_;
  int silenceLimitMs_ = kDefaultSilenceLimitMs;
};

}  // namespace corvane::gui
