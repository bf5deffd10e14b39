#include "gui/transfer_link.h"

#include <QCoreApplication>

#include "easyusb214x/easyusb214x.h"
#include "gui/transfer_bridge.h"

namespace corvane::gui {
namespace {

// While the window thread waits for a worker, the worker may be waiting for the
// window (a grid row, a message): handle those calls, but no clicks or keys.
void HandleWorkerCalls() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace

TransferLink::TransferLink()
    : ownClock_(std::make_unique<SystemClock>()),
      ownUsb_(std::make_unique<UsbLibraryLink>(UsbLibraryCalls{&WriteData214x, &ReadData214x})),
      clock_(ownClock_.get()),
      usb_(ownUsb_.get()) {}

TransferLink::TransferLink(IClock& clock, IUsbLink& usb) : clock_(&clock), usb_(&usb) {}

TransferLink::~TransferLink() { Shutdown(); }

void TransferLink::StopWorker() {
  controller_.Stop(HandleWorkerCalls);
  if (!bridge_) return;
  // Calls the worker posted just before it ended still reach the page, in order.
  QCoreApplication::sendPostedEvents(bridge_.get());
  bridge_.reset();
}

void TransferLink::Start(std::unique_ptr<TransferBridge> bridge, std::unique_ptr<ITransferEngine> engine) {
  StopWorker();
  bridge_ = std::move(bridge);
  controller_.Start(std::move(engine), HandleWorkerCalls);
}

void TransferLink::EndDetached() {
  if (bridge_) bridge_->Detach();
  controller_.Stop(HandleWorkerCalls);
  bridge_.reset();
  state_.Port().Close();
}

void TransferLink::Release(const QObject* page) {
  if (bridge_ && bridge_->Page() == page) EndDetached();
}

void TransferLink::Shutdown() { EndDetached(); }

}  // namespace corvane::gui
