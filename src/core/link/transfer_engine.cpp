#include "core/link/transfer_engine.h"

#include <algorithm>
#include <cstring>

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

bool EndIfLinkLost(TransferContext& ctx, ISerialPort& port) {
  const std::string why = port.LinkFault();
  if (why.empty()) return false;
  port.Close();
  ctx.events.KillTimer();
  ctx.events.ShowMessage(TransferTexts::LinkLost(ctx.languageIndex, why), MessageIcon::Exclamation);
  return true;
}

}  // namespace corvane
