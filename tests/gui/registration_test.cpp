// The registration switches of the desktop program.
#include "app/registration.h"
#include "gui_fixture.h"

namespace corvane::guitest {
namespace {

using app::StartSwitch;

TEST(StartSwitches, TokensAfterADashOrSlashInAnyCase) {
  struct Case {
    QStringList args;
    StartSwitch expected;
  } cases[] = {
      {{"corvane480"}, StartSwitch::None},
      {{"corvane480", "/UnregServer"}, StartSwitch::Unregister},
      {{"corvane480", "-regserver"}, StartSwitch::Register},
      {{"corvane480", "RegServer"}, StartSwitch::None},
      {{"corvane480", "-x", "/REGSERVER", "file.kvm"}, StartSwitch::Register},
      {{"corvane480", "-Embedding"}, StartSwitch::Embedded},
      {{"corvane480", "/Automation", "-unregserver"}, StartSwitch::Unregister},
      {{"corvane480", "/home/user/job.kvm"}, StartSwitch::None},
  };
  for (const Case& c : cases) EXPECT_EQ(app::ParseStartSwitches(c.args), c.expected) << c.args.join(' ').toStdString();
}

TEST(StartSwitches, ProgramRegistersAndUnregistersWithoutAWindow) {
  testing::TempDir home;
  const std::string program = std::string(CORVANE_BIN_DIR) + "/corvane480";
  // No display at all: a window would fail to open.
  const std::vector<std::string> env = {"XDG_DATA_HOME=" + home.Path().string(), "QT_QPA_PLATFORM=none",
                                        "DISPLAY=", "WAYLAND_DISPLAY="};
  const std::string desktop = home.File("applications/corvane480.desktop");
  const std::string mime = home.File("mime/packages/corvane480-kvm.xml");
  auto reg = testing::RunProgram(program, {"-regserver"}, env);
  EXPECT_EQ(reg.exitCode, 0) << reg.err;
  const std::string entry = testing::ReadBytes(desktop);
  EXPECT_NE(entry.find("Exec=\"" + program + "\" %f"), std::string::npos) << entry;
  EXPECT_NE(entry.find("MimeType=application/x-corvane-kvm;"), std::string::npos);
  EXPECT_NE(testing::ReadBytes(mime).find("<glob pattern=\"*.kvm\"/>"), std::string::npos);
  auto unreg = testing::RunProgram(program, {"/UnregServer"}, env);
  EXPECT_EQ(unreg.exitCode, 0) << unreg.err;
  EXPECT_FALSE(std::filesystem::exists(desktop));
  EXPECT_FALSE(std::filesystem::exists(mime));
  EXPECT_EQ(testing::RunProgram(program, {"-Embedding"}, env).exitCode, 0);
}

}  // namespace
}  // namespace corvane::guitest
