#include "gui/setting_page.h"

#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "core/text/numbers.h"
#include "gui/access_texts.h"
#include "gui/crs_box.h"
#include "gui/gbk_text.h"
#include "gui/serial_devices.h"
#include "gui/usb_device_box.h"

namespace corvane::gui {
namespace {

struct ListInfo {
  SettingsSection section;
  const char* name;          // the stored value
  const char* captionSection;
  const char* captionKey;
  const char* captionDef;
};

constexpr ListInfo kLists[CSettingPage::kListCount] = {
    {SettingsSection::ComStatus, "Port", "SecondMark", "ComPort", "ComPort"},
    {SettingsSection::ComStatus, "Baud", "SecondMark", "Baud", "Baud"},
    {SettingsSection::ComStatus, "Character", "SecondMark", "Character", "Character"},
    {SettingsSection::ComStatus, "StopBit", "SecondMark", "StopBit", "StopBit"},
    {SettingsSection::ComStatus, "Parity", "SecondMark", "Parity", "Parity"},
    {SettingsSection::ComStatus, "Protocol", "SecondMark", "Protocol", "Protocol"},
    {SettingsSection::OtherSet, "InsType", "InSetting", "Intype", "Instrument setting"},
    {SettingsSection::OtherSet, "AngleUnit", "InSetting", "AnglUnit", "Instrument setting"},
    {SettingsSection::OtherSet, "DistUnit", "InSetting", "DistUnit", "Instrument setting"},
    {SettingsSection::OtherSet, "CoorType", "InSetting", "CoorType", "Instrument setting"},
    {SettingsSection::OtherSet, "HA", "InSetting", "HA", "Instrument setting"},
    {SettingsSection::OtherSet, "VA", "InSetting", "VA", "Instrument setting"},
};

// The serial lists' items never change.
const QStringList& FixedItems(int list) {
  static const QStringList kItems[] = {
      {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"},
      {"1200", "2400", "4800", "9600", "19200", "38400", "115200"},
      {"8", "7"},
      {"1", "1.5", "2"},
      {"NONE", "ODD", "EVEN"},
      {"NONE", "XON/XOFF"},
  };
  return kItems[list];
}

struct InstrumentItem {
  int list;
  const char* key;
  const char* def;
};

constexpr InstrumentItem kInstrumentItems[] = {
    {CSettingPage::kInsType, "Intype1", "KVM/PLN480"}, {CSettingPage::kAngleUnit, "AnglUnit1", "DMS"},
    {CSettingPage::kAngleUnit, "AnglUnit2", "GON"},    {CSettingPage::kAngleUnit, "AnglUnit3", "MIL"},
    {CSettingPage::kDistUnit, "DistUnit1", "Meter"},   {CSettingPage::kDistUnit, "DistUnit2", "ft"},
    {CSettingPage::kDistUnit, "DistUnit3", "IN.ft"},   {CSettingPage::kCoorType, "CoorType1", "NEZ"},
    {CSettingPage::kCoorType, "CoorType2", "ENZ"},     {CSettingPage::kHa, "HA1", "HAR"},
    {CSettingPage::kHa, "HA2", "HAL"},                 {CSettingPage::kVa, "VA1", "VAZ"},
    {CSettingPage::kVa, "VA2", "VAV"},                 {CSettingPage::kVa, "VA3", "HAH"},
    {CSettingPage::kVa, "VA4", "SLOP"},
};

}  // namespace

CSettingPage::CSettingPage(GuiContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      scaleLabel_(new QLabel(this)),
      deviceLabel_(new QLabel(this)),
      scale_(new QLineEdit(this)),
      device_(new QComboBox(this)),
      comBox_(new QGroupBox(this)),
      instrumentBox_(new QGroupBox(this)),
      defaultType_(new QGroupBox(this)),
      comRadio_(new QRadioButton(defaultType_)),
      usbRadio_(new QRadioButton(defaultType_)),
      usbBox_(new UsbDeviceBox(context, this)),
      crsBox_(new CrsBox(context, this)) {
  setObjectName(QStringLiteral("CSettingPage"));
  for (int i = 0; i < kListCount; ++i) {
    combos_[i] = new QComboBox(this);
    combos_[i]->setObjectName(QString::fromLatin1(kLists[i].name));
    labels_[i] = new QLabel(this);
    if (i < kInsType) combos_[i]->addItems(FixedItems(i));
    connect(combos_[i], &QComboBox::activated, this, [this, i](int index) { ListChosen(static_cast<List>(i), index); });
  }
  scale_->setObjectName(QStringLiteral("Scale"));
  scale_->installEventFilter(this);
  connect(scale_, &QLineEdit::textEdited, this, [this] { scaleChecked_ = false; });
  device_->setObjectName(QStringLiteral("Device"));
  device_->setEditable(true);
  device_->setInsertPolicy(QComboBox::NoInsert);
  device_->setMinimumContentsLength(18);
  connect(device_, &QComboBox::activated, this, [this](int) { StoreDevice(); });
  connect(device_->lineEdit(), &QLineEdit::editingFinished, this, &CSettingPage::StoreDevice);

  // Each field is named by its own label, not by the group around it.
  for (int i = 0; i < kListCount; ++i) labels_[i]->setBuddy(combos_[i]);
  scaleLabel_->setBuddy(scale_);
  deviceLabel_->setBuddy(device_);
  deviceWatcher_.Watch(QStringLiteral("/dev"));
  connect(&deviceWatcher_, &SerialDeviceWatcher::devicesChanged, this, &CSettingPage::RefreshDeviceList);

  // The fields and their labels sit on a plain panel inside each group box: a
  // field whose parent is the group box would also be labelled by its title.
  const auto panel = [](QGroupBox* box) {
    auto* host = new QWidget(box);
    auto* outer = new QVBoxLayout(box);
    outer->addWidget(host);
    auto* form = new QFormLayout(host);
    form->setContentsMargins(0, 0, 0, 0);
    return form;
  };
  auto* com = panel(comBox_);
  for (int i = kPort; i <= kProtocol; ++i) {
    com->addRow(labels_[i], combos_[i]);
    if (i == kPort) com->addRow(deviceLabel_, device_);
  }
  auto* ins = panel(instrumentBox_);
  ins->addRow(labels_[kInsType], combos_[kInsType]);
  ins->addRow(scaleLabel_, scale_);
  for (int i = kAngleUnit; i <= kVa; ++i) ins->addRow(labels_[i], combos_[i]);

  // The default link is chosen by the installation: these stay hidden.
  auto* radios = new QHBoxLayout(defaultType_);
  radios->addWidget(comRadio_);
  radios->addWidget(usbRadio_);
  defaultType_->hide();
  connect(comRadio_, &QRadioButton::clicked, this, [this] {
    context_.WriteSetting(this, SettingsSection::OtherSet, "Comtype", "0");
    usbRadio_->setChecked(false);
  });
  connect(usbRadio_, &QRadioButton::clicked, this, [this] {
    context_.WriteSetting(this, SettingsSection::OtherSet, "Comtype", "1");
    comRadio_->setChecked(false);
  });

  // Two columns: the serial line above the USB instrument, the instrument above
  // its coordinate reference system; the page fits a window on a screen of 800 x 600.
  auto* layout = new QHBoxLayout(this);
  auto* lineColumn = new QVBoxLayout;
  lineColumn->addWidget(comBox_);
  lineColumn->addWidget(usbBox_);
  lineColumn->addWidget(defaultType_);
  lineColumn->addStretch(1);
  auto* instrumentColumn = new QVBoxLayout;
  instrumentColumn->addWidget(instrumentBox_);
  instrumentColumn->addWidget(crsBox_);
  instrumentColumn->addStretch(1);
  layout->addLayout(lineColumn);
  layout->addLayout(instrumentColumn);
  layout->addStretch(1);
  Initialise();
}

void CSettingPage::Initialise() {
  for (int i = 0; i < kListCount; ++i)
    labels_[i]->setText(context_.Caption(kLists[i].captionSection, kLists[i].captionKey, kLists[i].captionDef));
  const QString comSetting = context_.Caption("SecondMark", "ComSetting", "Com setting");
  comBox_->setTitle(comSetting);
  setWindowTitle(comSetting);
  defaultType_->setTitle(context_.Caption("SecondMark", "DefaultType", "Default Communication type:"));
  usbRadio_->setText(context_.Caption("SecondMark", "USBType", "USB type"));
  comRadio_->setText(context_.Caption("SecondMark", "COMType", "COM type:"));
  instrumentBox_->setTitle(context_.Caption("InSetting", "Inset", "Instrument setting"));
  scaleLabel_->setText(context_.Caption("InSetting", "Scale", "Instrument setting"));
  deviceLabel_->setText(context_.Caption("SecondMark", "Device", "Device"));
  // The device path is typed into the list's own field: it carries the label's name.
  device_->lineEdit()->setAccessibleName(deviceLabel_->text());
  device_->setAccessibleDescription(AccessText(context_, "Device"));
  scale_->setAccessibleDescription(AccessText(context_, "Scale"));

  for (int i = kInsType; i < kListCount; ++i) combos_[i]->clear();
  for (const InstrumentItem& item : kInstrumentItems)
    combos_[item.list]->insertItem(combos_[item.list]->count(), context_.Caption("InsOptions", item.key, item.def));

  scale_->setText(context_.Setting(SettingsSection::OtherSet, "Scale", "1.000000"));
  scaleChecked_ = false;
  for (int i = 0; i < kListCount; ++i) {
    const int index = context_.SettingInt(kLists[i].section, kLists[i].name, "0");
    // An index without an item leaves the list without a selection.
    combos_[i]->setCurrentIndex(index >= 0 && index < combos_[i]->count() ? index : -1);
  }
  const short comtype = ToShort(context_.SettingInt(SettingsSection::OtherSet, "Comtype", "0"));
  if (comtype == 0) {
    comRadio_->setChecked(true);
    usbRadio_->setChecked(false);
  } else if (comtype == 1) {
    usbRadio_->setChecked(true);
    comRadio_->setChecked(false);
  }
  ShowDevice();
  usbBox_->Load();
  crsBox_->Load();
  update();
}

void CSettingPage::ListChosen(List list, int index) {
  context_.WriteSetting(this, kLists[list].section, kLists[list].name, FormatInt(index));
  if (list == kPort) ShowDevice();
}

void CSettingPage::ShowDevice() {
  const QString current = device_->currentText();
  device_->clear();
  device_->addItems(ListSerialDevices(deviceWatcher_.DevRoot()));
  const int port = combos_[kPort]->currentIndex();
  if (port < 0) {
    device_->setEditText(QString());
    device_->setEnabled(false);
    return;
  }
  device_->setEnabled(true);
  const QString path = QFile::decodeName(QByteArray::fromStdString(context_.Settings().DevicePath(port + 1)));
  const int at = device_->findText(path);
  if (at >= 0) device_->setCurrentIndex(at);
  else device_->setEditText(path);
  (void)current;
}

void CSettingPage::SetDeviceRoot(const QString& devRoot) {
  deviceWatcher_.Watch(devRoot);
  RefreshDeviceList();
}

void CSettingPage::RefreshDeviceList() {
  const QStringList present = ListSerialDevices(deviceWatcher_.DevRoot());
  QStringList shown;
  for (int i = 0; i < device_->count(); ++i) shown << device_->itemText(i);
  if (present == shown) return;
  const QString text = device_->currentText();
  const QSignalBlocker quiet(device_);
  device_->clear();
  device_->addItems(present);
  const int at = device_->findText(text);
  if (at >= 0) device_->setCurrentIndex(at);
  else device_->setEditText(text);
}

void CSettingPage::StoreDevice() {
  const int port = combos_[kPort]->currentIndex();
  const QString path = device_->currentText().trimmed();
  if (port < 0 || path.isEmpty()) return;
  const std::string bytes = QFile::encodeName(path).toStdString();
  if (bytes == context_.Settings().DevicePath(port + 1)) return;
  if (!context_.Settings().WriteDevicePath(port + 1, bytes))
    context_.Prompts().Message(this, QString::fromLatin1(WriteOutcomeMessage(WriteOutcome::WriteFailed)),
                               context_.AppTitle(), MessageIcon::None);
}

void CSettingPage::CheckScale(QWidget* owner) {
  const QString text = scale_->text();
  if (scaleChecked_ && text == checkedScale_) return;
  scaleChecked_ = true;
  checkedScale_ = text;
  const std::string bytes = ToGbk(text);
  const double value = CAtof(bytes);
  if (value > 1.01 || value < 0.99) {
    context_.Prompts().Message(owner, QStringLiteral("Scale must be:0.99<Scale<1.01"), context_.AppTitle(),
                               MessageIcon::None);
    return;
  }
  context_.WriteSetting(owner, SettingsSection::OtherSet, "Scale", bytes);
}

void CSettingPage::OnLeft(QWidget* owner) { CheckScale(owner); }

bool CSettingPage::eventFilter(QObject* watched, QEvent* event) {
  // The check waits until the focus change has finished: its message box must
  // not open in the middle of it.
  if (watched == scale_ && event->type() == QEvent::FocusOut)
    QTimer::singleShot(0, this, [this] { CheckScale(this); });
  return QWidget::eventFilter(watched, event);
}

}  // namespace corvane::gui
