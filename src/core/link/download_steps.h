#pragma once
// Steps the two downloads (RS-232 and USB) share.
#include "core/link/receive_buffer.h"
#include "core/link/transfer_engine.h"

namespace corvane {

// The download's count for the front ends, reported after each chunk.
void ReportReceived(TransferContext& ctx, const ReceiveBuffer& buffer);
// What arrived goes with the result: the text, its line count, and to the grid when
// there is any.
TransferResult KeepReceived(TransferResult result, const ReceiveBuffer& buffer);

}  // namespace corvane
