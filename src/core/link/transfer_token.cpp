#include "core/link/transfer_token.h"

namespace corvane {

void TransferToken::Start() {
  Report({});
  TransferRunning_ = true;
}

void TransferToken::Report(const TransferProgress& progress) {
  lines_ = progress.lines;
  bytes_ = progress.bytes;
  sent_ = progress.sent;
  total_ = progress.total;
}

TransferProgress TransferToken::Progress() const { return {lines_, bytes_, sent_, total_}; }

}  // namespace corvane
