#pragma once
// CSettingPage: the second page of the main window. The serial line and the
// instrument settings; every change is stored at once.
#include <QWidget>
#include <array>

#include "gui/gui_context.h"
#include "gui/serial_devices.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace corvane::gui {
class CrsBox;
class UsbDeviceBox;
}

namespace corvane::gui {

class CSettingPage final : public QWidget {
  Q_OBJECT
 public:
  // The twelve lists.
  enum List { kPort, kBaud, kCharacter, kStopBit, kParity, kProtocol, kInsType, kAngleUnit, kDistUnit, kCoorType,
              kHa, kVa, kListCount };

  explicit CSettingPage(GuiContext& context, QWidget* parent = nullptr);

  // Captions, list items and the stored choices (also the page's shown operation
  // and part of the language switch).
  void Initialise();
  // The main window leaves the page: a scale typed and not yet checked is
  // checked and stored now; the message is owned by `owner`.
  void OnLeft(QWidget* owner);

  QComboBox* Combo(List list) const { return combos_[list]; }
  QLineEdit* ScaleEdit() const { return scale_; }
  QComboBox* DeviceBox() const { return device_; }
  QRadioButton* ComRadio() const { return comRadio_; }
  QRadioButton* UsbRadio() const { return usbRadio_; }
  QGroupBox* DefaultTypeBox() const { return defaultType_; }
  UsbDeviceBox* UsbBox() const { return usbBox_; }
  CrsBox* CoordinateSystemBox() const { return crsBox_; }
  // The folder whose serial devices the device list shows and follows ("/dev").
  void SetDeviceRoot(const QString& devRoot);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ListChosen(List list, int index);
  // Tests the scale text and stores it when it lies in 0.99..1.01.
  void CheckScale(QWidget* owner);
  void ShowDevice();
  void StoreDevice();
  // The devices present again, keeping what the box shows or the user is typing.
  void RefreshDeviceList();

  GuiContext& context_;
  std::array<QComboBox*, kListCount> combos_{};
  std::array<QLabel*, kListCount> labels_{};
  QLabel* scaleLabel_;
  QLabel* deviceLabel_;
  QLineEdit* scale_;
  QComboBox* device_;
  QGroupBox* comBox_;
  QGroupBox* instrumentBox_;
  QGroupBox* defaultType_;
  QRadioButton* comRadio_;
  QRadioButton* usbRadio_;
  UsbDeviceBox* usbBox_;
  CrsBox* crsBox_;
  SerialDeviceWatcher deviceWatcher_;
  // The scale text last checked; a second check of the same text (focus loss,
  // then leaving the page) stays silent.
  QString checkedScale_;
  bool scaleChecked_ = false;
};

}  // namespace corvane::gui
