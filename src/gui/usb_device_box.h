#pragma once
// The USB instrument on the settings page: vendor id, product id, serial number
// and endpoint map (section [Usb] of the settings), each stored when edited, and a
// button that lists the connected USB devices to pick the instrument from.
#include <QGroupBox>
#include <functional>
#include <string>
#include <vector>

#include "easyusb214x/usb_device_list.h"
#include "gui/gui_context.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace corvane::gui {

using UsbLister = std::function<bool(std::vector<usb::UsbDeviceInfo>&, std::string*)>;

class UsbDeviceBox final : public QGroupBox {
  Q_OBJECT
 public:
  explicit UsbDeviceBox(GuiContext& context, QWidget* parent = nullptr);
  // Captions and the stored values.
  void Load();
  // Tests list their own devices.
  void SetLister(UsbLister lister) { lister_ = std::move(lister); }
  // Fills the fields from a device and stores them.
  void Take(const usb::UsbDeviceInfo& device);
  // Opens the list of connected devices; a chosen one is taken.
  void PickDevice();

 private:
  enum Field { kVendor, kProduct, kSerial, kEndpoints, kFieldCount };
  void Store(Field field);

  GuiContext& context_;
  UsbLister lister_;
  QLineEdit* edits_[kFieldCount];
  QLabel* labels_[kFieldCount];
  QPushButton* list_;
};

}  // namespace corvane::gui
