#include "gui/transfer_link.h"

#include <QCoreApplication>
#include <chrono>
#include <thread>
#include <utility>

#include "easyusb214x/easyusb214x.h"
#include "gui/transfer_bridge.h"

namespace corvane::gui {
namespace {

// While the window thread waits for a worker, the worker may be waiting for the
// window (a grid row, a message): handle those calls, but no clicks or keys.
void HandleWorkerCalls() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

std::unique_ptr<IUsbLink> LibraryLink() {
  return std::make_unique<UsbLibraryLink>(UsbLibraryCalls{&WriteData214x, &ReadData214x, &Close214x, &LastError214x});
}

}  // namespace

TransferLink::TransferLink() : ownClock_(std::make_unique<SystemClock>()), clock_(ownClock_.get()) {}

TransferLink::TransferLink(IClock& clock, UsbMaker usb) : clock_(&clock), usb_(std::move(usb)) {}

TransferLink::~TransferLink() { Shutdown(); }

std::unique_ptr<ISerialPort> TransferLink::MakePort() const { return std::make_unique<CSerialPort>(); }

std::unique_ptr<IUsbLink> TransferLink::MakeUsb() const { return usb_ ? usb_() : LibraryLink(); }

const QObject* TransferLink::ActivePage() const {
  if (pending_.bridge) return pending_.bridge->Page();
  return bridge_ ? bridge_->Page() : nullptr;
}

void TransferLink::RequestStop() { token_.RequestStop(); }

void TransferLink::DropPending() {
  if (!pending_.bridge) return;
  Next dropped = std::exchange(pending_, Next{});
  dropped.bridge->NeverStarted();
}

void TransferLink::Stop() {
  DropPending();
  RequestStop();
}

void TransferLink::StopAndWait() {
  Stop();
  while (Busy()) {
    HandleWorkerCalls();
    if (Busy()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void TransferLink::Launch(Next next) {
  // The last worker has reported its end, so this returns at once.
  controller_.Wait();
  bridge_ = std::move(next.bridge);
  controller_.Start(std::move(next.engine), *bridge_);
  bridge_->Started();
}

void TransferLink::Start(std::unique_ptr<TransferBridge> bridge, std::unique_ptr<ITransferEngine> engine) {
  if (controller_.Busy() || bridge_) {
    RequestStop();
    DropPending();
    pending_ = Next{std::move(bridge), std::move(engine)};
    return;
  }
  Launch(Next{std::move(bridge), std::move(engine)});
}

void TransferLink::WorkerEnded(TransferBridge* bridge) {
  if (bridge != bridge_.get()) return;
  controller_.Wait();
  // Called from inside the bridge's own queued call: it goes once that returns.
  bridge_.release()->deleteLater();
  if (pending_.engine) Launch(std::exchange(pending_, Next{}));
}

void TransferLink::Release(const QObject* page) {
  if (pending_.bridge && pending_.bridge->Page() == page) pending_ = Next{};
  if (bridge_ && bridge_->Page() == page) {
    bridge_->Detach();
    RequestStop();
  }
}

void TransferLink::Shutdown() {
  pending_ = Next{};
  if (bridge_) bridge_->Detach();
  RequestStop();
  controller_.Stop(HandleWorkerCalls);
  bridge_.reset();
}

}  // namespace corvane::gui
