#include "gui/usb_device_box.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane::gui {
namespace {

struct FieldInfo {
  const char* key;  // in section [Usb]
  const char* object;
  const char* caption;
};

constexpr FieldInfo kFields[] = {
    {"VendorId", "UsbVendorId", "USB vendor id"},
    {"ProductId", "UsbProductId", "USB product id"},
    {"Serial", "UsbSerial", "Serial number"},
    {"Endpoints", "UsbEndpoints", "Endpoints"},
};

QString Summary(const usb::UsbDeviceInfo& d) {
  QString text = QString::fromStdString(usb::FormatUsbId(d.vendorId) + ":" + usb::FormatUsbId(d.productId));
  const std::string name = d.maker + (d.maker.empty() || d.product.empty() ? "" : " ") + d.product;
  if (!name.empty()) text += "  " + QString::fromStdString(name);
  if (!d.serial.empty()) text += "  (" + QString::fromStdString(d.serial) + ")";
  return text;
}

}  // namespace

UsbDeviceBox::UsbDeviceBox(GuiContext& context, QWidget* parent)
    : QGroupBox(parent), context_(context), lister_(&usb::ListUsbDevices), list_(new QPushButton) {
  setObjectName(QStringLiteral("UsbDevice"));
  // The fields lie on a plain panel inside the box, each labelled by its own
  // label: assistive technology would otherwise name them after the box.
  auto* panel = new QWidget(this);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(panel);
  auto* form = new QFormLayout(panel);
  for (int i = 0; i < kFieldCount; ++i) {
    labels_[i] = new QLabel(panel);
    edits_[i] = new QLineEdit(panel);
    edits_[i]->setObjectName(QString::fromLatin1(kFields[i].object));
    labels_[i]->setBuddy(edits_[i]);
    form->addRow(labels_[i], edits_[i]);
    connect(edits_[i], &QLineEdit::editingFinished, this, [this, i] { Store(static_cast<Field>(i)); });
  }
  edits_[kVendor]->setMaxLength(6);
  edits_[kProduct]->setMaxLength(6);
  const QString sampleMap = QStringLiteral("0:0x81,1:0x01,2:0x82,3:0x03");
  edits_[kEndpoints]->setPlaceholderText(sampleMap);
  edits_[kEndpoints]->setMinimumWidth(fontMetrics().horizontalAdvance(sampleMap) + 24);
  list_->setObjectName(QStringLiteral("UsbListDevices"));
  form->addRow(list_);
  connect(list_, &QPushButton::clicked, this, &UsbDeviceBox::PickDevice);
  Load();
}

void UsbDeviceBox::Load() {
  setTitle(context_.Caption("UsbSetting", "Title", "USB instrument"));
  list_->setText(context_.Caption("UsbSetting", "List", "Connected devices..."));
  for (int i = 0; i < kFieldCount; ++i) {
    labels_[i]->setText(context_.Caption("UsbSetting", kFields[i].key, kFields[i].caption));
    edits_[i]->setText(QString::fromStdString(context_.Settings().UsbSetting(kFields[i].key, "")));
    edits_[i]->setCursorPosition(0);
  }
}

void UsbDeviceBox::Store(Field field) {
  const std::string value = edits_[field]->text().trimmed().toStdString();
  const std::string stored = context_.Settings().UsbSetting(kFields[field].key, "");
  if (value == stored) return;
  std::string problem;
  uint16_t id = 0;
  usb::EndpointMap map;
  if ((field == kVendor || field == kProduct) && !value.empty() && !usb::ParseUsbId(value, id))
    problem = "\"" + value + "\" is not a USB id: up to 4 hexadecimal digits, for example 12ab.";
  else if (field == kEndpoints && !usb::ParseEndpointMap(value, map, &problem))
    problem = "The endpoint map is not valid: " + problem + ".";
  if (problem.empty() && !context_.Settings().WriteUsbSetting(kFields[field].key, value))
    problem = "The USB setting could not be stored in " + context_.Settings().UserFile() + ".";
  if (!problem.empty()) {
    context_.Prompts().Message(this, QString::fromStdString(problem), context_.AppTitle(), MessageIcon::Exclamation);
    edits_[field]->setText(QString::fromStdString(stored));
  }
}

void UsbDeviceBox::Take(const usb::UsbDeviceInfo& device) {
  edits_[kVendor]->setText(QString::fromStdString(usb::FormatUsbId(device.vendorId)));
  edits_[kProduct]->setText(QString::fromStdString(usb::FormatUsbId(device.productId)));
  edits_[kSerial]->setText(QString::fromStdString(device.serial));
  const std::string map = usb::SuggestedEndpointMap(device);
  if (!map.empty()) edits_[kEndpoints]->setText(QString::fromStdString(map));
  for (int i = 0; i < kFieldCount; ++i) Store(static_cast<Field>(i));
}

void UsbDeviceBox::PickDevice() {
  std::vector<usb::UsbDeviceInfo> devices;
  std::string reason;
  if (!lister_(devices, &reason)) {
    context_.Prompts().Message(this, QString::fromStdString(reason), context_.AppTitle(), MessageIcon::Exclamation);
    return;
  }
  QDialog dialog(this);
  dialog.setObjectName(QStringLiteral("UsbDevicePicker"));
  dialog.setWindowTitle(context_.Caption("UsbSetting", "List", "Connected devices..."));
  auto* list = new QListWidget(&dialog);
  list->setObjectName(QStringLiteral("UsbDeviceList"));
  list->setAccessibleName(dialog.windowTitle());
  auto* details = new QPlainTextEdit(&dialog);
  details->setReadOnly(true);
  details->setAccessibleName(context_.Caption("UsbSetting", "Details", "Details of the chosen device"));
  const auto settings =
      usb::ParseUsbDeviceSettings(context_.Settings().UsbSetting("VendorId", ""), context_.Settings().UsbSetting("ProductId", ""),
                                  context_.Settings().UsbSetting("Serial", ""), context_.Settings().UsbSetting("Endpoints", ""));
  for (const usb::UsbDeviceInfo& d : devices) {
    list->addItem((usb::IsConfiguredDevice(d, settings) ? "* " : "  ") + Summary(d));
  }
  if (devices.empty()) details->setPlainText(QStringLiteral("No USB devices found."));
  connect(list, &QListWidget::currentRowChanged, &dialog, [&](int row) {
    if (row >= 0 && row < static_cast<int>(devices.size()))
      details->setPlainText(QString::fromStdString(usb::DescribeUsbDevices({devices[static_cast<size_t>(row)]}, settings)));
  });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(list);
  layout->addWidget(details);
  layout->addWidget(buttons);
  dialog.resize(560, 420);
  if (!devices.empty()) list->setCurrentRow(0);
  if (dialog.exec() != QDialog::Accepted) return;
  const int row = list->currentRow();
  if (row >= 0 && row < static_cast<int>(devices.size())) Take(devices[static_cast<size_t>(row)]);
}

}  // namespace corvane::gui
