#pragma once
// The desktop's coordinate uploads (RS-232 and USB) take a GIS file too: it is
// turned into a coordinate list before the transfer starts, and the transfer
// sends that list.
#include <string>

#include "gui/gui_context.h"

class QWidget;

namespace corvane::gui {

// path and type become the list's when the file is a GIS file (the list lives
// until the next one is made). False, with the message shown, when it cannot be
// converted: nothing is sent then. Points the instrument cannot take are named
// in a message and left out.
bool PrepareUploadFile(GuiContext& context, QWidget* owner, std::string& path, int& type);

}  // namespace corvane::gui
