#include "core/link/transfer_engine.h"

#include <algorithm>
#include <cstring>

#include "core/link/transfer_pages.h"
#include "core/link/transfer_texts.h"

namespace corvane {

std::string_view TextUpToZero(const void* bytes, size_t size) {
  const auto* p = static_cast<const char*>(bytes);
  const void* zero = std::memchr(p, 0, size);
  return std::string_view(p, zero ? static_cast<size_t>(static_cast<const char*>(zero) - p) : size);
}

Reply AskInstrument(TransferContext& ctx, ISerialPort& port, std::string_view request, int pauseMs, int replySize) {
  port.Write(request.data(), static_cast<int>(request.size()));
  ctx.clock.SleepMs(pauseMs);
  char reply[32];
  const int got = port.Read(reply, std::min<int>(replySize, sizeof reply));
  if (!port.LinkFault().empty()) return Reply::LinkLost;
  if (got > 0 && reply[0] == '1') return Reply::Ready;
  if (got > 0 && reply[0] == '0') return Reply::Refused;
  return Reply::None;
}

TransferResult Failure(std::string message, MessageIcon icon, std::string detail) {
  TransferResult r;
  r.outcome = TransferOutcome::Failed;
  r.message = std::move(message);
  r.icon = icon;
  r.detail = std::move(detail);
  return r;
}

std::optional<TransferResult> SerialTransfer::IfLinkLost() const {
  const std::string why = port_.LinkFault();
  if (why.empty()) return std::nullopt;
  return Failure(TransferTexts::LinkLost(ctx_.languageIndex, why), MessageIcon::Exclamation);
}

TransferResult SerialTransfer::Run() {
  if (open_) {
    if (port_.IsOpen()) port_.Close();
    if (!port_.OpenLine(open_->device, open_->line)) {
      const std::string text = TransferTexts::PortOpenFailed(open_->line.comNumber, ctx_.languageIndex,
                                                             open_->localizedMessage, open_->device,
                                                             port_.OpenError());
      // The tool's message as it stands; the device and the system's reason below it.
      const size_t cut = text.rfind('\n');
      return Failure(text.substr(0, cut), MessageIcon::Exclamation,
                     cut == std::string::npos ? std::string() : text.substr(cut + 1));
    }
  }
  TransferResult result = Exchange();
  port_.Close();
  return result;
}

}  // namespace corvane
