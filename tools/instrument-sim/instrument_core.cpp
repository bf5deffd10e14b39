#include "instrument_core.h"

#include <fstream>

namespace corvane::sim {
namespace {

// Line noise: no byte the protocol gives a meaning to.
std::string Noise(int count) {
  std::string out;
  unsigned state = 0x2545F491u;
  while (static_cast<int>(out.size()) < count) {
    state = state * 1103515245u + 12345u;
    const auto b = static_cast<unsigned char>(state >> 16);
    if (b == '0' || b == '1' || b == 0x04 || b == 0x11 || b == 0x13 || b == 0) continue;
    out.push_back(static_cast<char>(b));
  }
  return out;
}

}  // namespace

InstrumentCore::InstrumentCore(InstrumentConfig config) : config_(std::move(config)) {
  if (config_.chaosSeed >= 0) chaos_ = std::make_unique<sim::Chaos>(static_cast<uint64_t>(config_.chaosSeed));
}

std::string InstrumentCore::Answer(Request request, bool& accepted) {
  (void)request;
  accepted = false;
  ++requests_;
  if (config_.neverAnswer || requests_ < config_.answerFrom) return {};
  if (config_.garbageBytes > 0) return Noise(config_.garbageBytes);
  if (config_.refuse == Refusal::First) return "0";
  requests_ = 0;
  accepted = true;
  return config_.xoffWithAnswer == Refusal::First ? "1\x13" : "1";
}

std::string InstrumentCore::SecondAnswer(bool& accepted) {
  accepted = config_.refuse != Refusal::Second;
  if (!accepted) return "0";
  return config_.xoffWithAnswer == Refusal::Second ? "1\x13" : "1";
}

std::string InstrumentCore::DownloadStream() const {
  std::string stream = config_.job + '\x04';
  if (config_.silentAfter >= 0 && static_cast<size_t>(config_.silentAfter) < stream.size())
    stream.resize(static_cast<size_t>(config_.silentAfter));
  return stream;
}

DownloadPlan InstrumentCore::PlanDownload() {
  DownloadPlan plan;
  plan.stream = DownloadStream();
  plan.complete = plan.stream.size() == config_.job.size() + 1;
  plan.hangupAfter = config_.hangupAfter;
  if (chaos_) {
    const long long silence = chaos_->DownloadSilence(plan.stream.size());
    if (silence >= 0) {
      plan.stream.resize(static_cast<size_t>(silence));
      plan.complete = false;
    }
    plan.hangupAfter = chaos_->DownloadHangup(plan.stream.size());
    plan.pauses = chaos_->Pauses(plan.stream.size());
  }
  return plan;
}

void InstrumentCore::FinishUpload(Request request, std::string bytes) {
  const std::string kind = request == Request::Codes ? "codes" : "coordinates";
  if (!config_.saveDir.empty()) {
    std::ofstream f(config_.saveDir + "/" + kind + "-" + std::to_string(++saved_) + ".txt", std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  record_.Upload({kind, std::move(bytes)});
  record_.Completed();
}

}  // namespace corvane::sim
