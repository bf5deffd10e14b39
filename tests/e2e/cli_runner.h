#pragma once
// What the end-to-end tests share: the command-line program, the fixture folders,
// and a run of the program with its settings kept in the test's own folder.
#include <string>
#include <vector>

#include "support/test_support.h"

namespace corvane::testing {

inline const std::string kCli = std::string(CORVANE_BIN_DIR) + "/corvane480-cli";

// tests/data/<folder>/
inline std::string FixtureFolder(const char* folder) { return std::string(CORVANE_TEST_DATA) + "/" + folder + "/"; }

// Runs corvane480-cli with "--settings-dir DIR/settings" before the arguments.
inline RunResult RunCli(const TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), {"--settings-dir", dir.File("settings")});
  return RunProgram(kCli, args);
}

// English captions in DIR/settings, so dumped header rows are the documented ones.
inline void UseEnglishCaptions(const TempDir& dir) {
  WriteBytes(dir.File("settings/ZAMO/Corvane.ini"), "[OtherSet]\nlanguage=1\n");
}

}  // namespace corvane::testing
