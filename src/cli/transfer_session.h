#pragma once
// Running one transfer from the command line: the engine on its worker thread,
// progress on stderr, Ctrl-C ending it cleanly, the tool's messages printed.
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cli_common.h"
#include "core/link/transfer_engine.h"
#include "core/link/transfer_trace.h"

namespace corvane::cli {

// What the pages and the data page do, done by printing.
class CliTransferEvents final : public ITransferEvents {
 public:
  explicit CliTransferEvents(std::string codeFile = {}) : codeFile_(std::move(codeFile)) {}

  void TransferEnded(const TransferResult& result) override;
  void RecordSent(const SentRecord&) override {}
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  void SetStatusText(const std::string& text) override;
  std::string ChooseCodeFile() override { return codeFile_; }

  // The progress line: "Received N lines (B bytes)" or "Sent N of M records".
  void ShowProgress(const std::string& line, bool final);
  // A progress line has been shown.
  bool ShownProgress() const;
  std::string Status() const;

 private:
  void EndProgressLine();  // call with mutex_ held
  std::string codeFile_;
  mutable std::mutex mutex_;
  std::string status_;
  std::string shownProgress_;
  bool progressOpen_ = false;
};

// The tool's text (GBK bytes) as the terminal shows it: unchanged where the locale
// is GBK, else as UTF-8.
std::string ForTerminal(const std::string& text);

enum class ProgressKind { Received, Records, Codes };

// Runs the engine to its end (or to Ctrl-C), showing progress. The engine closes
// its link on its worker in every case.
TransferResult RunTransfer(TransferToken& token, std::unique_ptr<ITransferEngine> engine, CliTransferEvents& events,
                           ProgressKind progress, bool& interrupted);

// Opens the trace file when one is given; false (message printed) when it cannot
// be created.
bool OpenTrace(const std::optional<std::string>& path, TransferTrace& trace);

}  // namespace corvane::cli
