#pragma once
// What a command (open, save, import, export, computation) hands back to the
// program that ran it:
// done, cancelled, or ended by one of the tool's messages, and the finished files
// the desktop opens afterwards. Commands never show anything themselves.
#include <string>
#include <utility>
#include <vector>

#include "core/message_icon.h"

namespace corvane {

enum class CommandStatus { Done, Cancelled, Failed };

struct CommandResult {
  CommandStatus status = CommandStatus::Done;
  // The tool's own text when Failed ("Open file failed!"), shown as it stands.
  std::string message;
  MessageIcon icon = MessageIcon::Exclamation;
  // Which file and why, for a second line (empty when there is nothing to add).
  std::string detail;
  // Finished files, in order, that the desktop hands to its "open" action.
  std::vector<std::string> filesToOpen;

  bool Done() const { return status == CommandStatus::Done; }
  static CommandResult Cancelled() {
    CommandResult r;
    r.status = CommandStatus::Cancelled;
    return r;
  }
  static CommandResult Failure(std::string message, std::string detail = {},
                               MessageIcon icon = MessageIcon::Exclamation) {
    CommandResult r;
    r.status = CommandStatus::Failed;
    r.message = std::move(message);
    r.detail = std::move(detail);
    r.icon = icon;
    return r;
  }
};

}  // namespace corvane
