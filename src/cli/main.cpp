// corvane480-cli: the command-line companion of the desktop program.
#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli_common.h"
#include "core/settings/program_folder.h"

using namespace corvane;
using namespace corvane::cli;

namespace {

void PrintHelp(std::FILE* to) {
  std::fprintf(to,
               "Usage: corvane480-cli [--settings-dir DIR] COMMAND [ARGS]\n\n"
               "Moves and converts survey jobs of the KVM480/PLN480 total stations.\n"
               "Settings come from DIR, else $CORVANE_SETTINGS_DIR, else ~/.config.\n"
               "corvane480-cli --version prints the version.\n\n"
               "Commands:\n");
  for (const CommandInfo& c : Commands()) std::fprintf(to, "  %-58s %s\n", c.usage, c.summary);
  std::fprintf(to,
               "\nExit status: 0 done, 1 the command ended with a failure message (on stderr),\n"
               "2 wrong usage.\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  std::string settingsFolder;
  std::vector<std::string> rest;
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i] == "--settings-dir") {
      if (i + 1 >= words.size()) {
        std::fprintf(stderr, "corvane480-cli: --settings-dir needs a folder\n");
        return kExitUsage;
      }
      settingsFolder = words[++i];
    } else if (words[i].rfind("--settings-dir=", 0) == 0) {
      settingsFolder = words[i].substr(std::strlen("--settings-dir="));
    } else {
      rest.push_back(words[i]);
    }
  }
  if (!rest.empty() && rest[0] == "--version") {
    std::printf("corvane480-cli %s\n", CORVANE_VERSION);
    return kExitOk;
  }
  if (rest.empty() || rest[0] == "--help" || rest[0] == "-h" || rest[0] == "help") {
    PrintHelp(rest.empty() ? stderr : stdout);
    return rest.empty() ? kExitUsage : kExitOk;
  }
  if (settingsFolder.empty()) settingsFolder = SettingsFolder();
  // The USB library reads the instrument's ids from the same settings.
  else ::setenv("CORVANE_SETTINGS_DIR", settingsFolder.c_str(), 1);
  SettingsStore store = SettingsStore::OpenIn(settingsFolder);
  CliEnv env{store, settingsFolder};

  for (const CommandInfo& c : Commands()) {
    if (rest[0] != c.name) continue;
    std::vector<std::string> args(rest.begin() + 1, rest.end());
    // "COMMAND --help" describes the command whatever its other arguments.
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
      std::printf("Usage: corvane480-cli %s\n  %s\n", c.usage, c.summary);
      return kExitOk;
    }
    try {
      CliArgs parsed(args, c.flags);
      if (parsed.Flag("--help")) {
        std::printf("Usage: corvane480-cli %s\n  %s\n", c.usage, c.summary);
        return kExitOk;
      }
      return c.run(parsed, env);
    } catch (const UsageError& e) {
      std::fprintf(stderr, "corvane480-cli %s: %s\nUsage: corvane480-cli %s\n", c.name, e.what(), c.usage);
      return kExitUsage;
    }
  }
  std::fprintf(stderr, "corvane480-cli: unknown command '%s'\n", rest[0].c_str());
  PrintHelp(stderr);
  return kExitUsage;
}
