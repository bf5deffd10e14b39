#pragma once

namespace corvane {

// The icon of one of the tool's message boxes.
enum class MessageIcon { None, Exclamation, Information };

}  // namespace corvane
