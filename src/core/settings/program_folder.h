#pragma once
#include <string>
#include <string_view>

namespace corvane {

// The folder of the running executable, ending in "/". CORVANE_PROGRAM_DIR moves it
// (used by tests that bring their own caption files).
std::string ProgramFolder();
// The program-folder path of a file name; a leading "\" or "/" of the name is dropped.
std::string ProgramFilePath(std::string_view name);
// The caption file of a language: English for 1, the local language otherwise.
std::string CaptionFilePath(int languageIndex);

// Folder of the user's settings files: CORVANE_SETTINGS_DIR, else
// ${XDG_CONFIG_HOME:-~/.config}.
std::string SettingsFolder();

}  // namespace corvane
