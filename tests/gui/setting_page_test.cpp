// The settings page: lists, stored choices, the scale rules, the device behind
// the port number.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "gui/serial_devices.h"
#include "gui/setting_page.h"
#include "gui/usb_device_box.h"
#include "gui_fixture.h"
#include "grid_helpers.h"

namespace corvane::guitest {
namespace {

using gui::CSettingPage;

class SettingPageTest : public GuiFixture {
 protected:
  static QStringList Items(QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
  }
  // The user picks an item.
  static void Choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
  }
};

TEST_F(SettingPageTest, ListsHoldTheirItemsAndTheStoredChoices) {
  struct Case {
    CSettingPage::List list;
    QStringList items;
  } cases[] = {
      {CSettingPage::kPort, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}},
      {CSettingPage::kBaud, {"1200", "2400", "4800", "9600", "19200", "38400", "115200"}},
      {CSettingPage::kCharacter, {"8", "7"}},
      {CSettingPage::kStopBit, {"1", "1.5", "2"}},
      {CSettingPage::kParity, {"NONE", "ODD", "EVEN"}},
      {CSettingPage::kProtocol, {"NONE", "XON/XOFF"}},
      {CSettingPage::kInsType, {"KVM/PLN480"}},
      {CSettingPage::kAngleUnit, {"DMS", "GON", "MIL"}},
      {CSettingPage::kDistUnit, {"Meter", "ft", "IN.ft"}},
      {CSettingPage::kCoorType, {"NEZ", "ENZ"}},
      {CSettingPage::kHa, {"HAR", "HAL"}},
      {CSettingPage::kVa, {"VAZ", "VAV", "HAH", "SLOP"}},
  };
  Set(SettingsSection::ComStatus, "Baud", "6");
  Set(SettingsSection::OtherSet, "VA", "3");
  Set(SettingsSection::OtherSet, "DistUnit", "7");  // no such item
  CSettingPage page(*context_);
  for (const Case& c : cases) EXPECT_EQ(Items(page.Combo(c.list)), c.items) << c.list;
  EXPECT_EQ(page.Combo(CSettingPage::kBaud)->currentIndex(), 6);
  EXPECT_EQ(page.Combo(CSettingPage::kVa)->currentIndex(), 3);
  EXPECT_EQ(page.Combo(CSettingPage::kDistUnit)->currentIndex(), -1);
  EXPECT_EQ(page.Combo(CSettingPage::kPort)->currentIndex(), 0);
  EXPECT_EQ(page.ScaleEdit()->text(), "1.000000");
}

TEST_F(SettingPageTest, CaptionsFallBackToTheirDefaults) {
  CSettingPage page(*context_);
  const auto labels = page.findChildren<QLabel*>();
  QStringList texts;
  for (QLabel* l : labels) texts << l->text();
  for (const char* t : {"ComPort", "Baud", "Character", "StopBit", "Parity", "Protocol"})
    EXPECT_TRUE(texts.contains(t)) << t;
  EXPECT_EQ(texts.count("Instrument setting"), 7);
  EXPECT_EQ(page.windowTitle(), "Com setting");
  EXPECT_EQ(page.DefaultTypeBox()->title(), "Default Communication type:");
  EXPECT_EQ(page.ComRadio()->text(), "COM type:");
  EXPECT_EQ(page.UsbRadio()->text(), "USB type");
  EXPECT_FALSE(page.DefaultTypeBox()->isVisibleTo(&page));
}

TEST_F(SettingPageTest, PickingAnItemStoresItsIndexAtOnce) {
  CSettingPage page(*context_);
  struct Case {
    CSettingPage::List list;
    int index;
    SettingsSection section;
    const char* name;
  } cases[] = {{CSettingPage::kBaud, 5, SettingsSection::ComStatus, "Baud"},
               {CSettingPage::kPort, 11, SettingsSection::ComStatus, "Port"},
               {CSettingPage::kProtocol, 1, SettingsSection::ComStatus, "Protocol"},
               {CSettingPage::kCoorType, 1, SettingsSection::OtherSet, "CoorType"},
               {CSettingPage::kVa, 2, SettingsSection::OtherSet, "VA"}};
  for (const Case& c : cases) {
    Choose(page.Combo(c.list), c.index);
    EXPECT_EQ(Get(c.section, c.name), std::to_string(c.index)) << c.name;
  }
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(SettingPageTest, EveryFailedWriteShowsTheStoresMessageOnce) {
  UseProgramFolder(Captions::None, false);
  CSettingPage page(*context_);
  Choose(page.Combo(CSettingPage::kBaud), 3);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].text, "open regesiter key Failed");
  EXPECT_EQ(page.Combo(CSettingPage::kBaud)->currentIndex(), 3);  // the choice stays shown
  Choose(page.Combo(CSettingPage::kHa), 1);
  EXPECT_EQ(prompts_.messages.size(), 2u);
}

TEST_F(SettingPageTest, ScaleIsStoredOnlyBetweenTheLimits) {
  struct Case {
    const char* typed;
    bool stored;
  } cases[] = {{"1.01", true},  {"0.99", true},  {"1.011", false}, {"0.989", false},
               {"abc", false},  {"1.0000", true}, {"1.005xyz", true}, {"", false}};
  for (const Case& c : cases) {
    Set(SettingsSection::OtherSet, "Scale", "1.000000");
    prompts_.messages.clear();
    CSettingPage page(*context_);
    page.OnLeft(&page);  // nothing typed: the stored text is stored again
    page.ScaleEdit()->setText(c.typed);
    emit page.ScaleEdit()->textEdited(c.typed);
    page.OnLeft(&page);
    EXPECT_EQ(Get(SettingsSection::OtherSet, "Scale"), c.stored ? c.typed : "1.000000") << c.typed;
    ASSERT_EQ(prompts_.messages.size(), c.stored ? 0u : 1u) << c.typed;
    if (!c.stored) {
      EXPECT_EQ(prompts_.messages[0].text, "Scale must be:0.99<Scale<1.01");
    }
    EXPECT_EQ(page.ScaleEdit()->text(), c.typed);  // a rejected text stays in the box
  }
}

TEST_F(SettingPageTest, LeavingTheScaleBoxChecksItOnce) {
  CSettingPage page(*context_);
  ShowActive(page);
  page.ScaleEdit()->setFocus();
  page.ScaleEdit()->selectAll();
  QTest::keyClicks(page.ScaleEdit(), "7");
  page.Combo(CSettingPage::kBaud)->setFocus();
  QTest::qWait(20);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  // Leaving the page with the same rejected text does not repeat the message.
  page.OnLeft(&page);
  EXPECT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(Get(SettingsSection::OtherSet, "Scale"), "<none>");
}

TEST_F(SettingPageTest, HiddenLinkButtonsFollowTheStoredLink) {
  struct Case {
    const char* comtype;
    bool com, usb;
  } cases[] = {{"0", true, false}, {"1", false, true}};
  for (const Case& c : cases) {
    Set(SettingsSection::OtherSet, "Comtype", c.comtype);
    CSettingPage page(*context_);
    EXPECT_EQ(page.ComRadio()->isChecked(), c.com);
    EXPECT_EQ(page.UsbRadio()->isChecked(), c.usb);
  }
  CSettingPage page(*context_);
  page.UsbRadio()->click();
  EXPECT_EQ(Get(SettingsSection::OtherSet, "Comtype"), "1");
  EXPECT_FALSE(page.ComRadio()->isChecked());
  // A stored 2 leaves both as they were.
  Set(SettingsSection::OtherSet, "Comtype", "2");
  page.Initialise();
  EXPECT_TRUE(page.UsbRadio()->isChecked());
  EXPECT_FALSE(page.ComRadio()->isChecked());
}

TEST_F(SettingPageTest, DeviceBesideThePortIsShownAndStored) {
  CSettingPage page(*context_);
  EXPECT_EQ(page.DeviceBox()->currentText(), "/dev/ttyS0");
  Choose(page.Combo(CSettingPage::kPort), 2);
  EXPECT_EQ(page.DeviceBox()->currentText(), "/dev/ttyS2");
  page.DeviceBox()->setEditText("/dev/ttyUSB0");
  emit page.DeviceBox()->lineEdit()->editingFinished();
  EXPECT_EQ(store_->DevicePath(3), "/dev/ttyUSB0");
  Choose(page.Combo(CSettingPage::kPort), 0);
  EXPECT_EQ(page.DeviceBox()->currentText(), "/dev/ttyS0");
  Choose(page.Combo(CSettingPage::kPort), 2);
  EXPECT_EQ(page.DeviceBox()->currentText(), "/dev/ttyUSB0");
}

TEST_F(SettingPageTest, EveryFieldIsNamedByItsOwnLabel) {
  UseProgramFolder(Captions::Installed, true);
  Set(SettingsSection::OtherSet, "language", "1");
  context_->ReloadLanguageIndex();
  CSettingPage page(*context_);
  // As assistive technology finds a field's name: a label beside it whose buddy it is.
  const auto labelOf = [](QWidget* field) -> QString {
    for (QLabel* label : field->parentWidget()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
      if (label->buddy() == field) return label->text();
    return {};
  };
  for (int i = 0; i < CSettingPage::kListCount; ++i) {
    QComboBox* combo = page.Combo(static_cast<CSettingPage::List>(i));
    // A screen reader names a field by its buddy label, which must sit beside it.
    EXPECT_FALSE(labelOf(combo).isEmpty()) << combo->objectName().toStdString();
  }
  EXPECT_EQ(labelOf(page.Combo(CSettingPage::kBaud)), "Baud");
  EXPECT_NE(labelOf(page.Combo(CSettingPage::kParity)), labelOf(page.Combo(CSettingPage::kProtocol)));
  EXPECT_FALSE(labelOf(page.ScaleEdit()).isEmpty());
  EXPECT_FALSE(labelOf(page.DeviceBox()).isEmpty());
  EXPECT_FALSE(page.DeviceBox()->accessibleDescription().isEmpty());
}

TEST_F(SettingPageTest, DeviceListFollowsAdaptersPluggedInAndOut) {
  testing::TempDir dev;
  testing::WriteBytes(dev.File("ttyS0"), "");
  const QString root = QString::fromStdString(dev.Path().string());
  CSettingPage page(*context_);
  page.SetDeviceRoot(root);
  const auto items = [&] {
    QStringList out;
    for (int i = 0; i < page.DeviceBox()->count(); ++i) out << page.DeviceBox()->itemText(i);
    return out;
  };
  EXPECT_EQ(items(), QStringList{root + "/ttyS0"});
  // The user is typing a path: the refresh keeps it.
  page.DeviceBox()->setEditText("/dev/my-adapter");
  testing::WriteBytes(dev.File("ttyUSB0"), "");
  testing::WriteBytes(dev.File("serial/by-id/usb-FTDI-if00"), "");
  EXPECT_TRUE(QTest::qWaitFor([&] { return items().size() == 3; }, 5000)) << items().join(' ').toStdString();
  EXPECT_EQ(items().first(), root + "/serial/by-id/usb-FTDI-if00");
  EXPECT_EQ(page.DeviceBox()->currentText(), "/dev/my-adapter");
  std::filesystem::remove_all(dev.Path() / "serial");
  std::filesystem::remove(dev.Path() / "ttyUSB0");
  EXPECT_TRUE(QTest::qWaitFor([&] { return items().size() == 1; }, 5000)) << items().join(' ').toStdString();
}

TEST(SerialDevices, StableNamesFirstThenEachKindInNumberOrder) {
  testing::TempDir dev;
  for (const char* name : {"ttyS10", "ttyS2", "ttyUSB1", "ttyUSB0", "ttyACM0", "tty0", "serial/by-id/usb-ABC-if00",
                           "null"})
    testing::WriteBytes(dev.File(name), "");
  const QString root = QString::fromStdString(dev.Path().string());
  const QStringList expected = {root + "/serial/by-id/usb-ABC-if00", root + "/ttyUSB0", root + "/ttyUSB1",
                                root + "/ttyACM0", root + "/ttyS2", root + "/ttyS10"};
  EXPECT_EQ(gui::ListSerialDevices(root), expected);
}

}  // namespace
}  // namespace corvane::guitest

namespace corvane::guitest {
namespace {

// The USB instrument's fields: a picked device fills and stores them; a typed
// value that is not an id or an endpoint map is refused with a message and the
// stored value stays.
TEST_F(SettingPageTest, UsbFieldsStoreAPickedDeviceAndRefuseBadValues) {
  CSettingPage page(*context_);
  gui::UsbDeviceBox* box = page.UsbBox();
  usb::UsbDeviceInfo device;
  device.vendorId = 0x12ab;
  device.productId = 0x0480;
  device.serial = "A17";
  device.interfaces.push_back({0, 0xff, {{0x02, "bulk", 64}, {0x86, "bulk", 64}, {0x85, "interrupt", 8}}});
  box->Take(device);
  EXPECT_EQ(store_->UsbSetting("VendorId", ""), "12ab");
  EXPECT_EQ(store_->UsbSetting("ProductId", ""), "0480");
  EXPECT_EQ(store_->UsbSetting("Serial", ""), "A17");
  EXPECT_EQ(store_->UsbSetting("Endpoints", ""), "0:0x86,1:0x02,2:0x85,3:0x02");

  struct Case {
    const char* object;
    const char* typed;
    const char* stored;
  };
  for (const Case& c : {Case{"UsbVendorId", "12abc", "12ab"}, Case{"UsbProductId", "zz", "0480"},
                        Case{"UsbEndpoints", "0:0x00", "0:0x86,1:0x02,2:0x85,3:0x02"},
                        Case{"UsbProductId", "0x0481", "0x0481"}}) {
    prompts_.messages.clear();
    auto* edit = box->findChild<QLineEdit*>(c.object);
    ASSERT_NE(edit, nullptr) << c.object;
    edit->setText(c.typed);
    emit edit->editingFinished();
    const bool refused = std::string(c.typed) != c.stored;
    EXPECT_EQ(prompts_.messages.size(), refused ? 1u : 0u) << c.object << " " << c.typed;
    EXPECT_EQ(edit->text().toStdString(), c.stored) << c.object;
  }
  EXPECT_EQ(store_->UsbSetting("ProductId", ""), "0x0481");
  // A new page shows what is stored.
  CSettingPage again(*context_);
  EXPECT_EQ(again.UsbBox()->findChild<QLineEdit*>("UsbSerial")->text(), "A17");
}

}  // namespace
}  // namespace corvane::guitest
