#include "core/link/transfer_engine.h"

#include <cstring>

#include "core/link/transfer_texts.h"
#include "core/text/text_file.h"

namespace corvane {

std::string_view TextUpToZero(const void* bytes, size_t size) {
  const auto* p = static_cast<const char*>(bytes);
  const void* zero = std::memchr(p, 0, size);
  return std::string_view(p, zero ? static_cast<size_t>(static_cast<const char*>(zero) - p) : size);
}

TransferResult Completed() { return TransferResult{}; }

TransferResult StoppedResult() {
  TransferResult r;
  r.status = CommandStatus::Cancelled;
  return r;
}

TransferResult Failure(std::string message, MessageIcon icon, std::string detail) {
  TransferResult r;
  r.status = CommandStatus::Failed;
  r.message = std::move(message);
  r.icon = icon;
  r.detail = std::move(detail);
  return r;
}

unsigned CountUploadPieces(const std::string& path, size_t bufferSize, size_t minLength) {
  TextLineReader in;
  if (!in.Open(path, nullptr)) return 0;
  unsigned count = 0;
  std::string piece;
  while (in.ReadPiece(piece, bufferSize))
    if (TextUpToZero(piece.data(), piece.size()).size() > minLength) ++count;
  return count;
}

std::optional<TransferResult> SerialTransfer::IfLinkLost() const {
  const std::string why = port_->LinkFault();
  if (why.empty()) return std::nullopt;
  return Failure(TransferTexts::LinkLost(ctx_.languageIndex, why), MessageIcon::Exclamation);
}

TransferResult SerialTransfer::Run() {
  // Whatever way the exchange ends (an exception included), the port is closed
  // here, on the worker.
  struct Closer {
    ISerialPort& port;
    ~Closer() { port.Close(); }
  } closer{*port_};
  if (open_) {
    port_->Close();
    if (!port_->OpenLine(open_->device, open_->line)) {
      const std::string text = TransferTexts::PortOpenFailed(open_->line.comNumber, ctx_.languageIndex,
                                                             open_->localizedMessage, open_->device,
                                                             port_->OpenError());
      // The tool's message as it stands; the device and the system's reason below it.
      const size_t cut = text.rfind('\n');
      return Failure(text.substr(0, cut), MessageIcon::Exclamation,
                     cut == std::string::npos ? std::string() : text.substr(cut + 1));
    }
  }
  return Exchange();
}

}  // namespace corvane
