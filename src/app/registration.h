#pragma once
// The registration switches of the command line. On this desktop, registering
// installs the program's menu entry and the .kvm file type for the user;
// unregistering removes them.
#include <QString>
#include <QStringList>

namespace corvane::app {

enum class StartSwitch { None, Register, Unregister, Embedded };

// Tokens start with "-" or "/"; "RegServer" and "UnregServer" in any letter case
// are the switches, "Embedding" and "Automation" a server start; the rest is ignored.
StartSwitch ParseStartSwitches(const QStringList& args);

// Folder where per-user desktop entries live: ${XDG_DATA_HOME:-~/.local/share}.
QString UserDataFolder();
// Writes (or removes) the desktop entry and the file type; false when a file
// could not be written or removed.
bool RegisterDesktopEntry(const QString& dataFolder, const QString& executable, const QString& iconPath);
bool UnregisterDesktopEntry(const QString& dataFolder);

}  // namespace corvane::app
