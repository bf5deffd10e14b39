#pragma once
// Texts for assistive technology: the accessible names and descriptions of
// controls whose caption does not say what they do. They follow the caption
// language through section "Access" of the caption files; the English text is
// the default.
#include <QString>

namespace corvane::gui {

class GuiContext;

// The text of `key` in section "Access" ("" for an unknown key).
QString AccessText(const GuiContext& context, const char* key);

}  // namespace corvane::gui
