// The instrument record file, its header and its index file.
#include <gtest/gtest.h>

#include <filesystem>

#include "compute_test_util.h"
#include "core/compute/instrument_file.h"

namespace corvane {
namespace {

using namespace testing;  // corvane::testing: grids, files, settings

TEST(IndexFilePath, SitsInZmoindexBesideTheJobFolder) {
  const std::pair<const char*, const char*> cases[] = {
      {"/JOBS/SITE1/A.kvm", "/JOBS/ZMOINDEX/A.INX"},
      {"/home/me/jobs/site/B.dat", "/home/me/jobs/ZMOINDEX/B.INX"},
      {"/A.kvm", "/ZMOINDEX/A.INX"},
      {"/JOBS/A.kvm", "/ZMOINDEX/A.INX"},
      {"/JOBS/SITE1/noext", "/JOBS/ZMOINDEX/.INX"},
      {"/JOBS/my.dir/noext", "/JOBS/ZMOINDEX/.INX"},
      {"/JOBS/SITE1/a.b.kvm", "/JOBS/ZMOINDEX/a.b.INX"},
      {"A.kvm", "/ZMOINDEX/A.INX"},
  };
  for (const auto& [path, want] : cases) EXPECT_EQ(IndexFilePath(path), want) << path;
}

TEST(InstrumentFileHeader, NamesTheInstrumentSettings) {
  EXPECT_EQ(InstrumentFileHeader(MapSettings()),
            "ZAMO RECORD FILE\nScale  :1.000000\nAnglUnit:dms    \nDistUnit:meter  \nCoorType:NEZ    \n"
            "HA      :Right  \nVA      :VAZ    ");
  EXPECT_EQ(InstrumentFileHeader(MapSettings({{"Scale", "0.999500"}, {"AngleUnit", "1"}, {"DistUnit", "1"},
                                              {"CoorType", "1"}, {"HA", "1"}, {"VA", "1"}})),
            "ZAMO RECORD FILE\nScale  :0.999500\nAnglUnit:gon    \nDistUnit:USFeet \nCoorType:ENZ    \n"
            "HA      :Left   \nVA      :VAV    ");
  // Other indexes (16-bit view of the text) and longer values.
  EXPECT_EQ(InstrumentFileHeader(MapSettings({{"Scale", "1.0000000001"}, {"AngleUnit", "65538"}, {"DistUnit", "x"},
                                              {"CoorType", "7"}, {"HA", "-1"}, {"VA", "2"}})),
            "ZAMO RECORD FILE\nScale  :1.0000000001\nAnglUnit:mil    \nDistUnit:meter  \nCoorType:ENZ    \n"
            "HA      :Left   \nVA      :VAH    ");
}

class InstrumentExport : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.Path() / "site");
    std::filesystem::create_directories(dir.Path() / "ZMOINDEX");
    out = dir.File("site/A.kvm");
    index = dir.File("ZMOINDEX/A.INX");
  }
  TempDir dir;
  std::string out, index;
};

TEST_F(InstrumentExport, WritesEveryRowWithBothPlanCoordinates) {
  const RecordGrid grid = JobGrid({
      "U,MP,P1,0,0,0,1234.56789,200,10.5,0,0,TREE",
      "U,DP,,1,2,3,100,200",              // no name: the row number
      "U,MP,P3,0,0,0,100,,7",              // no second coordinate: skipped
      "U,CP,VERYLONGPOINTNAME1,0,0,0,x,-2.5,,0,0,CODE-LONGER-THAN-14",
  });
  const CommandResult r = ExportInstrumentCoordinates(grid, out, MapSettings());
  ASSERT_TRUE(r.Done()) << r.message << r.detail;
  EXPECT_TRUE(r.filesToOpen.empty());
  const std::string header = Crlf(InstrumentFileHeader(MapSettings()));
  EXPECT_EQ(ReadBytes(out),
            header +
                "\r\nU,MP,            P1,        0.0000,   0.0000,   0.0000,     1234.5679,      200.0000,"
                "       10.5000,   0.0000,   0.0000,          TREE,              ,####"
                "\r\nU,MP,             2,        0.0000,   0.0000,   0.0000,      100.0000,      200.0000,"
                "        0.0000,   0.0000,   0.0000,              ,              ,####"
                "\r\nU,MP,VERYLONGPOINTNAME1,        0.0000,   0.0000,   0.0000,        0.0000,       -2.5000,"
                "        0.0000,   0.0000,   0.0000,CODE-LONGER-THAN-14,              ,####");
  EXPECT_EQ(ReadBytes(index), ",NT,   File Head:,MP,            P1,MP,             2,MP,VERYLONGPOINTNAME1,");
}

TEST_F(InstrumentExport, NoCoordinatesGivesHeaderAndIndexHeadOnly) {
  ASSERT_TRUE(ExportInstrumentCoordinates(JobGrid({"U,DP,P1,1,2,3"}), out, MapSettings()).Done());
  EXPECT_EQ(ReadBytes(out), Crlf(InstrumentFileHeader(MapSettings())));
  EXPECT_EQ(ReadBytes(index), ",NT,   File Head:,");
}

TEST_F(InstrumentExport, MissingIndexFolderLeavesTheRecordFileAsItWas) {
  std::filesystem::remove(dir.Path() / "ZMOINDEX");
  WriteBytes(out, "the job of yesterday\r\n");
  const CommandResult r = ExportInstrumentCoordinates(JobGrid({"U,MP,P1,0,0,0,1,2,3"}), out, MapSettings());
  EXPECT_EQ(r.status, CommandStatus::Failed);
  EXPECT_EQ(r.message, "Creat index file failed!");
  EXPECT_EQ(r.icon, MessageIcon::Exclamation);
  EXPECT_EQ(ReadBytes(out), "the job of yesterday\r\n");
  EXPECT_FALSE(std::filesystem::exists(index));
}

TEST_F(InstrumentExport, UncreatableRecordFileMakesNoIndex) {
  const CommandResult r =
      ExportInstrumentCoordinates(JobGrid({"U,MP,P1,0,0,0,1,2,3"}), dir.File("missing/A.kvm"), MapSettings());
  EXPECT_EQ(r.message, "Open file failed!");
  EXPECT_FALSE(std::filesystem::exists(index));
}

}  // namespace
}  // namespace corvane
