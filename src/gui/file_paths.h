#pragma once
// Paths and file-dialog filters at the Qt edge: the core takes paths as the file
// system's bytes, the dialogs give Unicode.
#include <QString>
#include <string>
#include <string_view>

namespace corvane::gui {

// "*.kvm|*.kvm|*.*|*.*|" (label, pattern pairs) as a Qt filter list.
QString QtFileFilter(const char* pairs);

// A path as the file system's bytes, and back.
std::string LocalPath(const QString& path);
QString QtPath(std::string_view path);

}  // namespace corvane::gui
