// The settings store and the caption reader.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/settings/captions.h"
#include "core/settings/ini_document.h"
#include "core/settings/settings_store.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using corvane::testing::ReadBytes;
using corvane::testing::TempDir;
using corvane::testing::WriteBytes;

struct StoreFixture {
  TempDir dir;
  std::string user = dir.File("user/ZAMO/Corvane.ini");
  std::string defaults = dir.File("prog/Corvane.defaults.ini");
  SettingsStore store{user, defaults};
};

TEST(SettingsStore, MissingSectionsGiveDefaultsAndRefuseWrites) {
  StoreFixture f;
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::ComStatus, "Baud", "0"), "0");
  EXPECT_EQ(f.store.WriteSetting(SettingsSection::ComStatus, "Baud", "5"), WriteOutcome::KeyMissing);
  EXPECT_STREQ(WriteOutcomeMessage(WriteOutcome::KeyMissing), "open regesiter key Failed");
  EXPECT_FALSE(std::filesystem::exists(f.user));
  // Installation declares the sections: now writes go to the user's file.
  WriteBytes(f.defaults, "[OtherSet]\r\nScale=0.995\r\n[ComStatus]\r\n");
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::OtherSet, "Scale", "1.000000"), "0.995");
  EXPECT_EQ(f.store.WriteSetting(SettingsSection::ComStatus, "Baud", "5"), WriteOutcome::Ok);
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::ComStatus, "Baud", "0"), "5");
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::ComStatus, "Parity", "0"), "0");
  EXPECT_EQ(f.store.WriteSetting(SettingsSection::OtherSet, "Scale", "1.01"), WriteOutcome::Ok);
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::OtherSet, "Scale", "1.000000"), "1.01");
}

TEST(SettingsStore, NamesAreCaseBlindAndValuesKeepTheirBlanks) {
  StoreFixture f;
  WriteBytes(f.user, "[othERset]\nLanguage=1\n");
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::OtherSet, "language", "0"), "1");
  ASSERT_EQ(f.store.WriteSetting(SettingsSection::OtherSet, "LANGUAGE", "0"), WriteOutcome::Ok);
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::OtherSet, "Language", "9"), "0");
  ASSERT_EQ(f.store.WriteSetting(SettingsSection::OtherSet, "Note", "  two blanks "), WriteOutcome::Ok);
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::OtherSet, "note", ""), "  two blanks ");
  // One entry per name: the rewrite replaced the existing line.
  const std::string text = ReadBytes(f.user);
  EXPECT_EQ(text.find("anguage="), text.rfind("anguage="));
}

TEST(SettingsStore, ValuesOfSixtyOrMoreCharactersReadAsTheDefault) {
  StoreFixture f;
  WriteBytes(f.user, "[OtherSet]\nA=" + std::string(59, 'x') + "\nB=" + std::string(60, 'y') + "\n");
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::OtherSet, "A", "d"), std::string(59, 'x'));
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::OtherSet, "B", "d"), "d");
}

TEST(SettingsStore, WritesReplaceTheFileAtomicallyAndKeepForeignLines) {
  StoreFixture f;
  WriteBytes(f.user, "; my notes\n[OtherSet]\nCoorType=0\n\n[Devices]\nCOM3=/dev/ttyUSB0\n\xFF\xFEgarbage\n");
  ASSERT_EQ(f.store.WriteSetting(SettingsSection::OtherSet, "CoorType", "1"), WriteOutcome::Ok);
  const std::string text = ReadBytes(f.user);
  EXPECT_NE(text.find("; my notes"), std::string::npos);
  EXPECT_NE(text.find("\xFF\xFEgarbage"), std::string::npos);
  EXPECT_NE(text.find("CoorType=1"), std::string::npos);
  EXPECT_EQ(f.store.DevicePath(3), "/dev/ttyUSB0");
  EXPECT_EQ(f.store.DevicePath(1), "/dev/ttyS0");
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(f.user).parent_path()))
    EXPECT_EQ(e.path().filename(), "Corvane.ini") << "temporary file left behind";
}

TEST(SettingsStore, UnwritableFileGivesTheWriteMessageAndKeepsTheOldValue) {
  StoreFixture f;
  WriteBytes(f.user, "[OtherSet]\nHA=0\n");
  // A folder where the file's temporary should go cannot be written: replace the
  // folder by a file of the same name after the first read.
  std::filesystem::remove_all(std::filesystem::path(f.user).parent_path());
  WriteBytes(f.defaults, "[OtherSet]\n");
  WriteBytes(std::filesystem::path(f.user).parent_path().string(), "not a folder");
  EXPECT_EQ(f.store.WriteSetting(SettingsSection::OtherSet, "HA", "1"), WriteOutcome::WriteFailed);
  EXPECT_STREQ(WriteOutcomeMessage(WriteOutcome::WriteFailed), "Write regesiter key Failed");
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::OtherSet, "HA", "0"), "0");
  EXPECT_EQ(f.store.WriteSetting(SettingsSection::OtherSet, "HA", "1\n[ComStatus]"), WriteOutcome::WriteFailed);
}

TEST(SettingsStore, ReadOnlyFileRefusesWrites) {
  StoreFixture f;
  WriteBytes(f.user, "[OtherSet]\nVA=2\n");
  std::filesystem::permissions(f.user, std::filesystem::perms::owner_read);
  EXPECT_EQ(f.store.WriteSetting(SettingsSection::OtherSet, "VA", "0"), WriteOutcome::WriteFailed);
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::OtherSet, "VA", "0"), "2");
}

TEST(SettingsStore, DevicePathsCanBeStoredWithoutTheInstalledSections) {
  StoreFixture f;
  ASSERT_TRUE(f.store.WriteDevicePath(2, "/dev/serial/by-id/usb-x"));
  EXPECT_EQ(f.store.DevicePath(2), "/dev/serial/by-id/usb-x");
  EXPECT_EQ(f.store.DevicePath(12), "/dev/ttyS11");
}

TEST(SettingsStore, AUsbValueTheUserClearedMeansTheInstalledOne) {
  // {user's file, installed file, value read}
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"", "[Usb]\nEndpoints=0:0x81\n", "0:0x81"},
      {"[Usb]\nEndpoints=\n", "[Usb]\nEndpoints=0:0x81\n", "0:0x81"},
      {"[Usb]\nEndpoints=   \n", "[Usb]\nEndpoints=0:0x81\n", "0:0x81"},
      {"[Usb]\nEndpoints=1:0x02\n", "[Usb]\nEndpoints=0:0x81\n", "1:0x02"},
      {"[Usb]\nEndpoints=\n", "", ""},
      {"", "", "default"},
  };
  for (const auto& [mine, installed, read] : cases) {
    StoreFixture f;
    if (!mine.empty()) WriteBytes(f.user, mine);
    if (!installed.empty()) WriteBytes(f.defaults, installed);
    EXPECT_EQ(f.store.UsbSetting("Endpoints", "default"), read) << mine << "|" << installed;
  }
}

TEST(StationDialogLanguage, ReadsItsOwnKeyWithFourCharactersElseFollowsTheProgram) {
  TempDir dir;
  EXPECT_EQ(ReadStationDialogLanguage(dir.Path().string(), 1), 1);
  EXPECT_EQ(ReadStationDialogLanguage(dir.Path().string(), 0), 0);
  WriteBytes(dir.File("ZamoSoft/ZamoComm.ini"), "[OtherSet]\n");
  EXPECT_EQ(ReadStationDialogLanguage(dir.Path().string(), 1), 1);
  WriteBytes(dir.File("ZamoSoft/ZamoComm.ini"), "[OtherSet]\nlanguage=1\n");
  EXPECT_EQ(ReadStationDialogLanguage(dir.Path().string(), 0), 1);
  WriteBytes(dir.File("ZamoSoft/ZamoComm.ini"), "[OtherSet]\nlanguage=0\n");
  EXPECT_EQ(ReadStationDialogLanguage(dir.Path().string(), 1), 0);
  WriteBytes(dir.File("ZamoSoft/ZamoComm.ini"), "[OtherSet]\nlanguage=00001\n");
  EXPECT_EQ(ReadStationDialogLanguage(dir.Path().string(), 1), 0);
}

TEST(Captions, ReadWithProfileSemantics) {
  TempDir dir;
  const std::string path = dir.File("CV_ENG.ini");
  WriteBytes(path, "[firstmark]\r\n  Open = \"Open file\" \r\nSave=&Save\r\n;Clear=x\r\nLong=" + std::string(300, 'L') +
                       "\r\n[Other]\r\nOpen=wrong\r\n");
  CaptionReader r(path);
  EXPECT_EQ(r.Read("FirstMark", "open", "Open"), "Open file");
  EXPECT_EQ(r.Read("FirstMark", "Save", "Save"), "&Save");
  EXPECT_EQ(r.Read("FirstMark", "Clear", "Clear"), "Clear");
  EXPECT_EQ(r.Read("FirstMark", "Long", "").size(), 259u);
  EXPECT_EQ(r.Read("Missing", "Open", "dflt"), "dflt");
  EXPECT_EQ(CaptionReader(dir.File("none.ini")).Read("FirstMark", "Open", "Open"), "Open");
  // A changed file is seen by the next read.
  WriteBytes(path, "[FirstMark]\nSave=Sichern-longer\n");
  EXPECT_EQ(r.Read("FirstMark", "Save", "Save"), "Sichern-longer");
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

TEST(SettingsStore, AFileItCannotReadIsNeverReplaced) {
  StoreFixture f;
  WriteBytes(f.defaults, "[OtherSet]\n");
  // Over the 4 MiB the store reads: reads give defaults, writes fail and say why.
  const std::string big = "[OtherSet]\nCoorType=1\n" + std::string(4 << 20, ';') + "\n";
  WriteBytes(f.user, big);
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::OtherSet, "CoorType", "0"), "0");
  std::string reason;
  EXPECT_EQ(f.store.WriteSetting(SettingsSection::OtherSet, "HA", "1", &reason), WriteOutcome::WriteFailed);
  EXPECT_NE(reason.find("larger than 4 MiB"), std::string::npos) << reason;
  EXPECT_FALSE(f.store.WriteDevicePath(1, "/dev/ttyUSB0"));
  EXPECT_EQ(ReadBytes(f.user), big);
  // Nor is one that is not a file.
  std::filesystem::remove(f.user);
  std::filesystem::create_directories(f.user);
  EXPECT_EQ(f.store.WriteSetting(SettingsSection::OtherSet, "HA", "1", &reason), WriteOutcome::WriteFailed);
  EXPECT_TRUE(std::filesystem::is_directory(f.user));
}

TEST(SettingsStore, EveryWrittenValueReadsBackByteForByte) {
  StoreFixture f;
  WriteBytes(f.defaults, "[OtherSet]\n");
  const std::string values[] = {"\f", "\vx\v", "\fa b\f", " \t", "\"q\"", "'", "\"", "a\"", "x=y", "[s]", ";c",
                                "\x81\xFF", "\xB2\xE2 ", ""};
  for (const std::string& v : values) {
    ASSERT_EQ(f.store.WriteSetting(SettingsSection::OtherSet, "Note", v), WriteOutcome::Ok) << v;
    EXPECT_EQ(f.store.ReadSetting(SettingsSection::OtherSet, "Note", "default"), v) << v;
  }
  // The registry keeps a value up to its first zero byte.
  ASSERT_EQ(f.store.WriteSetting(SettingsSection::OtherSet, "Note", std::string("ab\0cd", 5)), WriteOutcome::Ok);
  EXPECT_EQ(f.store.ReadSetting(SettingsSection::OtherSet, "Note", ""), "ab");
  for (const char* name : {"", " Note", "Note ", ";Note", "a=b"})
    EXPECT_EQ(f.store.WriteSetting(SettingsSection::OtherSet, name, "1"), WriteOutcome::WriteFailed) << name;
}

TEST(IniDocument, HoldsLargeFilesInAFewTimesTheirSize) {
  const std::string empties(4 << 20, '\n');
  EXPECT_LE(IniDocument::Parse(empties).MemoryBytes(), 3 * empties.size());
  std::string entries;
  while (entries.size() < (4u << 20)) entries += "k=v\n";
  const IniDocument doc = IniDocument::Parse("[S]\n" + entries);
  EXPECT_LE(doc.MemoryBytes(), 4 * entries.size());
  EXPECT_EQ(doc.Get("s", "K"), "v");
}

}  // namespace
}  // namespace corvane
