#include "core/link/transfer_engine.h"

#include <cstring>

#include "core/link/transfer_texts.h"

namespace corvane {

std::string_view TextUpToZero(const void* bytes, size_t size) {
  const auto* p = static_cast<const char*>(bytes);
  const void* zero = std::memchr(p, 0, size);
  return std::string_view(p, zero ? static_cast<size_t>(static_cast<const char*>(zero) - p) : size);
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
