#pragma once
// What every transfer engine gets and gives back. An engine's Run() is the body of
// the transfer worker thread; everything it touches outside itself is injected.
// The engine owns its link for the whole transfer: it opens the port on the worker,
// runs the exchange and closes the port there; the one result it returns is all the
// front ends react to.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/link/clock.h"
#include "core/link/serial_port.h"
#include "core/link/transfer_events.h"
#include "core/link/transfer_token.h"
#include "core/settings/settings_store.h"

namespace corvane {

struct TransferContext {
  TransferToken& token;
  IClock& clock;
  const ISettingsReader& settings;
  ITransferEvents& events;
  int languageIndex = 0;  // 1 English, else local
};

class ITransferEngine {
 public:
  virtual ~ITransferEngine() = default;
  virtual TransferResult Run() = 0;
};

// What a serial transfer opens on its worker: the device behind the port and the
// line settings. `localizedMessage`: the refusal is told in the local language too
// (the coordinate upload), else always in English.
struct PortRequest {
  std::string device;
  LineSettings line;
  bool localizedMessage = false;
};

// How long a download waits for the next byte before it gives up and keeps what
// arrived.
inline constexpr int kDefaultSilenceLimitMs = 20000;
// Pause after an empty read while waiting for data.
inline constexpr int kIdleWaitMs = 10;

// The bytes of a buffer as C text: up to the first zero byte, at most `size`.
std::string_view TextUpToZero(const void* bytes, size_t size);

TransferResult Completed();
TransferResult StoppedResult();
// A transfer that ended with one of the tool's messages (and, where it helps, a line
// beneath it naming the file or device and the system's reason).
TransferResult Failure(std::string message, MessageIcon icon = MessageIcon::None, std::string detail = {});

// Counts the pieces of an upload file that go out as records: those longer than
// `minLength` characters when read in pieces of bufferSize - 1 (0 when the file
// cannot be read; the upload then says so itself).
unsigned CountUploadPieces(const std::string& path, size_t bufferSize, size_t minLength);

// A serial transfer. It owns its port: the port is opened from the request (when
// there is one) on the worker before the exchange and closed after it, on every
// path out.
class SerialTransfer : public ITransferEngine {
 public:
  TransferResult Run() final;

 protected:
  SerialTransfer(TransferContext ctx, std::unique_ptr<ISerialPort> port, std::optional<PortRequest> open)
      : ctx_(ctx), port_(std::move(port)), open_(std::move(open)) {}
  virtual TransferResult Exchange() = 0;
  ISerialPort& Port() { return *port_; }
  // When the line has broken: the result that says why.
  std::optional<TransferResult> IfLinkLost() const;

  TransferContext ctx_;

 private:
  std::unique_ptr<ISerialPort> port_;
  std::optional<PortRequest> open_;
};

}  // namespace corvane
