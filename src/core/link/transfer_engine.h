#pragma once
// What every transfer engine gets and gives back. An engine's Run() is the body of
// the transfer worker thread; everything it touches outside itself is injected.
#include <cstddef>
#include <string>
#include <string_view>

#include "core/link/clock.h"
#include "core/link/serial_port.h"
#include "core/link/transfer_events.h"
#include "core/link/transfer_state.h"
#include "core/settings/settings_store.h"

namespace corvane {

enum class TransferOutcome {
  Completed,  // the instrument has everything / the end marker arrived
  Failed,     // ended with a message
  Stopped,    // TransferRunning was cleared (another transfer, Ctrl-C)
};

struct TransferResult {
  TransferOutcome outcome = TransferOutcome::Failed;
  // For a failure: what the message could not say (a file path and the system's
  // reason); empty otherwise.
  std::string detail;
};

struct TransferContext {
  TransferState& state;
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

// How long a download waits for the next byte before it gives up and keeps what
// arrived.
inline constexpr int kDefaultSilenceLimitMs = 20000;
// Pause after an empty read while waiting for data.
inline constexpr int kIdleWaitMs = 10;

// The bytes of a buffer as C text: up to the first zero byte, at most `size`.
std::string_view TextUpToZero(const void* bytes, size_t size);

// One request of a serial handshake: the request written, a pause, then up to
// replySize bytes read. Only the first byte read counts: "1" ready, "0" refused.
enum class Reply { Ready, Refused, None, LinkLost };
Reply AskInstrument(TransferContext& ctx, ISerialPort& port, std::string_view request, int pauseMs, int replySize);

// When the serial line has broken: closes the port, stops the page's timer, tells
// the user why and returns true.
bool EndIfLinkLost(TransferContext& ctx, ISerialPort& port);

inline TransferResult Done(TransferOutcome outcome, std::string detail = {}) { return {outcome, std::move(detail)}; }

}  // namespace corvane
