// The GIS exchange on the desktop: the coordinate system on the settings page,
// Export to GIS and Import from GIS file in the grid's menu, and an upload of a
// GIS file turned into a coordinate list first.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include "core/text/text_file.h"
#include "gui/crs_box.h"
#include "gui/data_page.h"
#include "gui/gis_dialogs.h"
#include "gui/gis_upload.h"
#include "grid_helpers.h"
#include "gui_fixture.h"

namespace corvane::guitest {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

const char kJob[] =
    "U,ST,S1,0.0000,0.0000,0.0000,3380000.000,500000.000,30.000,1.550,0.0000,STN\r\n"
    "U,BS,B1,0.0000,0.0000,0.0000,3380100.000,500000.000,31.000,0.0000,1.600,BKB\r\n"
    "U,DP,P1,25.432,45.3015,88.1520,0.0000,0.0000,0.0000,0.0000,1.600,TREE\r\n";

class GisCommandsTest : public GuiFixture {
 protected:
  void SetUp() override {
    GuiFixture::SetUp();
    // The dialogs remember their choices in the settings folder.
    qputenv("CORVANE_SETTINGS_DIR", QByteArray::fromStdString(settings_.Path().string()));
    Set(SettingsSection::OtherSet, "Crs", "EPSG:4547");
  }
  void TearDown() override {
    qunsetenv("CORVANE_SETTINGS_DIR");
    GuiFixture::TearDown();
  }
};

TEST_F(GisCommandsTest, CoordinateSystemIsStoredOnlyWhenProjKnowsIt) {
  gui::CrsBox box(*context_);
  EXPECT_EQ(box.Edit()->text(), "EPSG:4547");
  EXPECT_TRUE(box.NameLabel()->text().contains("CGCS2000")) << box.NameLabel()->text().toStdString();
  const struct {
    const char* typed;
    const char* stored;  // what the setting holds afterwards
    bool message;
  } cases[] = {{"32650", "32650", false},
               {"EPSG:99999", "32650", true},
               // A definition longer than the store keeps goes in as its code.
               {"urn:ogc:def:crs:EPSG::4326                                                  ", "urn:ogc:def:crs:EPSG::4326", false},
               {"GEOGCRS[\"WGS 84\",DATUM[\"World Geodetic System 1984\",ELLIPSOID[\"WGS 84\",6378137,298.257223563]],"
                "CS[ellipsoidal,2],AXIS[\"lat\",north,ANGLEUNIT[\"degree\",0.0174532925199433]],"
                "AXIS[\"lon\",east,ANGLEUNIT[\"degree\",0.0174532925199433]],ID[\"EPSG\",4326]]",
                "EPSG:4326", false},
               {"", "", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    prompts_.messages.clear();
    box.Edit()->setText(QString::fromUtf8(c.typed));
    box.Store();
    EXPECT_EQ(Get(SettingsSection::OtherSet, "Crs"), c.stored);
    EXPECT_EQ(prompts_.messages.size(), c.message ? 1u : 0u);
  }
  EXPECT_TRUE(box.NameLabel()->text().startsWith("Local grid"));
  EXPECT_FALSE(box.Edit()->accessibleDescription().isEmpty());
}

TEST_F(GisCommandsTest, ExportAndImportThroughTheGridMenu) {
  WriteBytes(files_.File("job.kvm"), kJob);
  gui::CDataPage page(*context_);
  page.resize(900, 500);
  page.OpenPath(QString::fromStdString(files_.File("job.kvm")));
  ShowActive(page);
  // Both commands are in the grid's menu.
  MenuScript script;
  ScriptMenus(page, script);
  RightClick(page, 1, 3);
  EXPECT_TRUE(script.titles.contains("Export to &GIS...")) << script.titles.join("|").toStdString();
  EXPECT_TRUE(script.titles.contains("Import from GIS &file..."));

  const std::string out = files_.File("job.gpkg");
  page.SetGisDialogRunner([&](QDialog& dialog) {
    if (auto* exportDialog = qobject_cast<gui::GisExportDialog*>(&dialog)) {
      exportDialog->Format()->setCurrentIndex(0);
      exportDialog->Path()->setText(QString::fromStdString(out));
    } else if (auto* importDialog = qobject_cast<gui::GisImportDialog*>(&dialog)) {
      importDialog->Path()->setText(QString::fromStdString(out));
    }
    dialog.accept();
    return dialog.result();
  });
  page.RunGridCommand(gui::kCmdGisExport);
  EXPECT_TRUE(prompts_.messages.empty());
  EXPECT_EQ(ReadBytes(out).substr(0, 15), "SQLite format 3");
  page.RunGridCommand(gui::kCmdGisImport);
  ASSERT_EQ(page.Grid().RowCount(), 4);
  EXPECT_EQ(page.Grid().Cell(3, 2), "MP");
  EXPECT_EQ(page.Grid().Cell(1, 7), "3380000.000");
  // The dialog remembers the file for next time.
  gui::GisExportDialog again(*context_);
  EXPECT_EQ(again.Path()->text().toStdString(), out);

  // A GeoJSON export without a coordinate system says why.
  Set(SettingsSection::OtherSet, "Crs", "");
  page.SetGisDialogRunner([&](QDialog& dialog) {
    auto* d = qobject_cast<gui::GisExportDialog*>(&dialog);
    d->Format()->setCurrentIndex(2);
    d->Path()->setText(QString::fromStdString(files_.File("job.geojson")));
    dialog.accept();
    return dialog.result();
  });
  page.RunGridCommand(gui::kCmdGisExport);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_TRUE(prompts_.messages[0].text.contains("coordinate reference system"));
}

TEST_F(GisCommandsTest, UploadOfAGisFileSendsItsCoordinateList) {
  Set(SettingsSection::OtherSet, "Crs", "");
  WriteBytes(files_.File("stakes.csv"), "name,x,y,z,code\nK1,2100.000,1200.000,98.500,TREE\nTOO-LONG-A-NAME,1,2,3,X\n");
  std::string path = files_.File("stakes.csv");
  int type = 1;
  ASSERT_TRUE(gui::PrepareUploadFile(*context_, nullptr, path, type));
  EXPECT_NE(path, files_.File("stakes.csv"));
  EXPECT_EQ(type, 1);
  std::string list;
  ASSERT_TRUE(ReadFileBytes(path, list));
  EXPECT_EQ(list, "K1,2100.000,1200.000,98.500,TREE\r\n");  // layout 1: name, E, N, height, code
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_TRUE(prompts_.messages[0].text.contains("TOO-LONG-A-NAME"));
  // A plain list goes as it is.
  std::string plain = files_.File("list.txt");
  WriteBytes(plain, "K1,1200,2100,98.5,TREE\r\n");
  ASSERT_TRUE(gui::PrepareUploadFile(*context_, nullptr, plain, type));
  EXPECT_EQ(plain, files_.File("list.txt"));
}

}  // namespace
}  // namespace corvane::guitest
