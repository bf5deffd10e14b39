#include "transfer_session.h"

#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <csignal>
#include <thread>

#include "core/link/transfer_controller.h"
#include "core/link/transfer_pages.h"
#include "core/text/codepage.h"
#include "core/text/numbers.h"
#include "core/text/text_helpers.h"

namespace corvane::cli {
namespace {

std::atomic<bool> g_interrupted{false};
extern "C" void OnInterrupt(int) { g_interrupted = true; }

// Ctrl-C (and SIGTERM) while the transfer runs end it instead of the process.
class InterruptGuard {
 public:
  InterruptGuard() {
    g_interrupted = false;
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &oldInt_);
    sigaction(SIGTERM, &sa, &oldTerm_);
  }
  ~InterruptGuard() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
  }

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

constexpr auto kTick = std::chrono::milliseconds(100);
// Without a terminal, progress is written as lines, at most this often.
constexpr auto kLogEvery = std::chrono::seconds(1);

std::string ProgressLine(ProgressKind kind, const TransferProgress& p) {
  switch (kind) {
    case ProgressKind::Received:
      return "Received " + FormatInt(static_cast<long long>(p.lines)) + " lines (" +
             FormatInt(static_cast<long long>(p.bytes)) + " bytes)";
    case ProgressKind::Records: return "Sent " + FormatInt(p.sent) + " of " + FormatInt(p.total) + " records";
    case ProgressKind::Codes: return "Sent " + FormatInt(p.sent) + " of " + FormatInt(p.total) + " codes";
  }
  return {};
}

}  // namespace

std::string ForTerminal(const std::string& text) {
  static const bool gbkTerminal = [] {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* value = std::getenv(name);
      if (!value || !*value) continue;
      std::string lower(value);
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return lower.find("gbk") != std::string::npos || lower.find("gb18030") != std::string::npos ||
             lower.find("gb2312") != std::string::npos;
    }
    return false;
  }();
  return gbkTerminal ? text : GbkToUtf8(text);
}

void CliTransferEvents::TransferEnded(const TransferResult& result) {
  if (!result.output.status.empty()) SetStatusText(result.output.status);
}

void CliTransferEvents::SetStatusText(const std::string& text) {
  std::lock_guard lock(mutex_);
  status_ = std::string(TrimWhite(text));
}

bool CliTransferEvents::ShownProgress() const {
  std::lock_guard lock(mutex_);
  return !shownProgress_.empty();
}

std::string CliTransferEvents::Status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

void CliTransferEvents::EndProgressLine() {
  if (progressOpen_) std::fputc('\n', stderr);
  progressOpen_ = false;
}

void CliTransferEvents::ShowMessage(const std::string& text, MessageIcon) {
  std::lock_guard lock(mutex_);
  EndProgressLine();
  Warn(ForTerminal(text));
}

void CliTransferEvents::ShowProgress(const std::string& line, bool final) {
  std::lock_guard lock(mutex_);
  if (line == shownProgress_ && !final) return;
  if (::isatty(STDERR_FILENO)) {
    std::fprintf(stderr, "\r%s\033[K", line.c_str());
    progressOpen_ = true;
    if (final) EndProgressLine();
  } else if (line != shownProgress_) {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  std::fflush(stderr);
  shownProgress_ = line;
}

TransferResult RunTransfer(TransferToken& token, std::unique_ptr<ITransferEngine> engine, CliTransferEvents& events,
                           ProgressKind progress, bool& interrupted) {
  InterruptGuard guard;
  TransferController controller(token);
  controller.Start(std::move(engine), events);
  const bool terminal = ::isatty(STDERR_FILENO);
  auto lastLog = std::chrono::steady_clock::now();
  interrupted = false;
  while (controller.Busy()) {
    std::this_thread::sleep_for(kTick);
    if (g_interrupted && !interrupted) {
      interrupted = true;
      controller.Stop();
      break;
    }
    const auto now = std::chrono::steady_clock::now();
    if (terminal || now - lastLog >= kLogEvery) {
      events.ShowProgress(ProgressLine(progress, token.Progress()), false);
      lastLog = now;
    }
  }
  const TransferResult result = controller.Wait();
  // A transfer that ended before anything moved (no port, no instrument) leaves
  // only its message.
  if (events.ShownProgress() || result.Completed() || result.output.sent > 0 || !result.output.received.empty())
    events.ShowProgress(ProgressLine(progress, token.Progress()), true);
  return result;
}

bool OpenTrace(const std::optional<std::string>& path, TransferTrace& trace) {
  if (!path) return true;
  std::string reason;
  if (trace.Open(*path, &reason)) return true;
  Fail("Cannot create the trace file " + *path + ": " + reason);
  return false;
}

}  // namespace corvane::cli
