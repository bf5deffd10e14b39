#pragma once
// How far an upload has come, told to the front ends after each record or code.
#include <cstdint>
#include <string>

#include "core/link/transfer_engine.h"

namespace corvane {

// SentLineCount (the number of the piece on its way), the pieces dealt with of the
// file's total, and what the front ends are told after each record.
class UploadProgress final {
 public:
  UploadProgress(TransferContext& ctx, unsigned total) : ctx_(ctx), total_(total) { Report(); }
  // The next piece is on its way.
  void Next() { ++SentLineCount_; }
  uint16_t SentLineCount() const { return SentLineCount_; }
  // The piece has gone out (or was rejected): the grid shows it, the count moves.
  void Sent(std::string LastSentLine, bool code);
  // The piece was dealt with without reaching the grid (a rejected USB record).
  void Skipped();
  // The upload ends: where it got to goes with the result.
  TransferResult With(TransferResult result) const;

 private:
  void Report();
  TransferContext& ctx_;
  unsigned total_;
  uint16_t SentLineCount_ = 0;
  // Pieces dealt with: sent, or rejected by the record conversion.
  unsigned done_ = 0;
};

}  // namespace corvane
