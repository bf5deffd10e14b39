#pragma once
// What the transfer pages share for the whole run of the program: the stop and
// progress token, the worker that runs one transfer at a time, and the clock and
// the makers of the serial port and USB link each transfer takes over.
// The window thread never waits for a worker while the window is up (Stop and Open
// or Clear during a transfer excepted: they wait until what arrived has reached the
// page): a transfer asked for while another is still ending starts when that one's
// end arrives.
#include <functional>
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
  using UsbMaker = std::function<std::unique_ptr<IUsbLink>()>;
  // The system clock and the USB library.
  TransferLink();
  // Another clock (tests run the pacing faster); the USB library unless `usb` is given.
  explicit TransferLink(IClock& clock, UsbMaker usb = {});
  // Ends a transfer still running and waits for its worker.
  ~TransferLink();
  TransferLink(const TransferLink&) = delete;
  TransferLink& operator=(const TransferLink&) = delete;

  TransferToken& Token() { return token_; }
  const TransferToken& Token() const { return token_; }
  IClock& Clock() { return *clock_; }
  // A serial port and a USB link for the next transfer to own.
  std::unique_ptr<ISerialPort> MakePort() const;
  std::unique_ptr<IUsbLink> MakeUsb() const;
  // How long a download waits for the instrument's next byte before it keeps
  // what arrived and says so.
  int SilenceLimitMs() const { return silenceLimitMs_; }
  void SetSilenceLimitMs(int ms) { silenceLimitMs_ = ms; }
  // A worker runs, a transfer waits to start, or the end of the last one has not
  // reached its page yet.
  bool Busy() const { return controller_.Busy() || pending_.engine != nullptr || bridge_ != nullptr; }
  // The page whose transfer runs or waits to run (null for none).
  const QObject* ActivePage() const;

  // Asks the running transfer to end: it ends at its next check, closes its port on
  // its worker and reports its end. Returns at once.
  void RequestStop();
  // The Stop button: a transfer waiting to start does not start (its page is told
  // it stopped), the running one is asked to end. Returns at once.
  void Stop();
  // Stop, then handles the window's calls until the end of the transfer has reached
  // its page (what a download received is in the grid then). No clicks or keys are
  // handled meanwhile.
  void StopAndWait();
  // Runs the engine on the worker; the bridge carries the worker's calls to its
  // page and lives until the worker has ended. When a transfer is still ending,
  // this one waits for it (a later request replaces a waiting one).
  void Start(std::unique_ptr<TransferBridge> bridge, std::unique_ptr<ITransferEngine> engine);
  // The end of a worker's transfer has reached the window thread.
  void WorkerEnded(TransferBridge* bridge);
  // A page goes away: a transfer it runs or waits to run ends without reaching it
  // any more.
  void Release(const QObject* page);
  // The program ends: any transfer ends without reaching a window any more, then
  // waits for the worker.
  void Shutdown();

 private:
  struct Next {
    std::unique_ptr<TransferBridge> bridge;
    std::unique_ptr<ITransferEngine> engine;
  };
  void Launch(Next next);
  // A transfer waiting to start is dropped; its page hears that it stopped.
  void DropPending();

  std::unique_ptr<IClock> ownClock_;
  IClock* clock_;
  UsbMaker usb_;
  TransferToken token_;
  TransferController controller_{token_};
  std::unique_ptr<TransferBridge> bridge_;
  Next pending_;
  int silenceLimitMs_ = kDefaultSilenceLimitMs;
};

}  // namespace corvane::gui
