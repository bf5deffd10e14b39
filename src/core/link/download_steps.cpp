#include "core/link/download_steps.h"

namespace corvane {

void ReportReceived(TransferContext& ctx, const ReceiveBuffer& buffer) {
  TransferProgress p;
  p.lines = buffer.LineEnds();
  p.bytes = buffer.Bytes();
  ctx.token.Report(p);
  ctx.events.Progress(p);
}

TransferResult KeepReceived(TransferResult result, const ReceiveBuffer& buffer) {
  result.output.received = buffer.Text();
  result.output.lines = buffer.LineEnds();
  result.output.handOver = !result.output.received.empty();
  return result;
}

}  // namespace corvane
