#pragma once
// The transfer pages against the simulated instrument, in-process: a serial
// instrument on a pseudo-terminal the settings name as COM1, a USB instrument on
// the socket the USB library reaches, and a clock that runs the transfers'
// pauses faster.
#include <QApplication>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <thread>

#include "core/link/clock.h"
#include "core/link/usb_link.h"
#include "easyusb214x/easyusb214x.h"
#include "gui/data_page.h"
#include "gui/transfer_link.h"
#include "gui/transfer_pages.h"
#include "gui_fixture.h"
#include "pty_pair.h"
#include "serial_instrument.h"
#include "usb_instrument.h"

namespace corvane::guitest {

// Pauses `scale` times shorter, and a time that runs `scale` times faster.
class ScaledClock final : public IClock {
 public:
  std::atomic<int> scale{10};
  void SleepMs(int ms) override {
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(ms) * 1000 / scale));
  }
  int64_t NowMs() override {
    const auto real = std::chrono::steady_clock::now() - start_;
    return std::chrono::duration_cast<std::chrono::microseconds>(real).count() * scale / 1000;
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Handles the window's events until `done` holds; false after `timeoutMs`.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  QApplication::processEvents();
  return true;
}

class TransferFixture : public GuiFixture {
 protected:
  void SetUp() override {
    GuiFixture::SetUp();
    link_ = std::make_unique<gui::TransferLink>(clock_);
    context_->UseLink(*link_);
  }
  void TearDown() override {
    page_.reset();
    link_.reset();
    serial_.reset();
    usbInstrument_.reset();
    sim::ClosePtyPair(pty_);
    ::unsetenv("CORVANE_USB_SIM");
    GuiFixture::TearDown();
  }

  static std::string Fixture(const std::string& name) {
    return testing::ReadBytes(std::string(CORVANE_TEST_DATA) + "/" + name);
  }
  static std::string FixturePath(const std::string& name) { return std::string(CORVANE_TEST_DATA) + "/" + name; }

  // English captions and messages.
  void English() {
    Set(SettingsSection::OtherSet, "language", "1");
    context_->ReloadLanguageIndex();
  }

  gui::CDataPage& Page() {
    if (!page_) page_ = std::make_unique<gui::CDataPage>(*context_);
    return *page_;
  }
  gui::TransferPage& Com() { return *Page().ComPage(); }
  gui::TransferPage& Usb() { return *Page().UsbPage(); }
  // The serial port of COM1 is free: no transfer holds it open.
  bool PortFree() {
    CSerialPort port;
    const bool opened = port.Open(pty_.slavePath, 9600, 8, 0, 0);
    port.Close();
    return opened;
  }

  // The serial instrument on a pseudo-terminal, as the device of COM1.
  sim::SerialInstrument& SerialInstrument(sim::InstrumentConfig config) {
    std::string reason;
    if (!sim::OpenPtyPair(pty_, &reason)) ADD_FAILURE() << reason;
    // The PC reads the "1" after its own (scaled) pause and drops what came with
    // it: the data follows later, as from a real instrument, with room for a busy
    // machine (the PC's scaled pause is 30 ms).
    config.startDelayMs = 300;
    // The line carries bytes at its bit rate both ways, as a real cable does: the
    // stored line settings and the instrument agree on it.
    if (config.baud == 0) config.baud = 115200;
    static const std::map<int, const char*> kBaudIndex = {{1200, "0"}, {9600, "3"}, {19200, "4"}, {115200, "6"}};
    Set(SettingsSection::ComStatus, "Baud", kBaudIndex.at(config.baud));
    serial_ = std::make_unique<sim::SerialInstrument>(std::exchange(pty_.master, -1), std::move(config));
    serial_->Start();
    EXPECT_TRUE(store_->WriteDevicePath(1, pty_.slavePath));
    return *serial_;
  }

  // The USB instrument on the socket the USB library reaches.
  sim::UsbInstrument& UsbInstrument(sim::InstrumentConfig config) {
    const std::string socket = files_.File("usb.sock");
    ::setenv("CORVANE_USB_SIM", socket.c_str(), 1);
    config.usbReadWaitMs = 20;
    usbInstrument_ = std::make_unique<sim::UsbInstrument>(socket, std::move(config));
    std::string reason;
    EXPECT_TRUE(usbInstrument_->Start(&reason)) << reason;
    return *usbInstrument_;
  }

  // Waits until the worker has ended and the window has handled what it handed over.
  bool WaitForTransfer(int timeoutMs = 10000) {
    return WaitUntil([this] { return !link_->Busy(); }, timeoutMs);
  }

  ScaledClock clock_;
  std::unique_ptr<gui::TransferLink> link_;
  std::unique_ptr<gui::CDataPage> page_;
  sim::PtyPair pty_;
  std::unique_ptr<sim::SerialInstrument> serial_;
  std::unique_ptr<sim::UsbInstrument> usbInstrument_;
};

}  // namespace corvane::guitest
