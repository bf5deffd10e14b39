#pragma once
// The behaviour both transports of the simulated instrument share: how it answers
// requests (with its faults), what a download sends, and keeping uploads.
#include <memory>
#include <string>
#include <vector>

#include "chaos.h"
#include "instrument_config.h"
#include "instrument_record.h"

namespace corvane::sim {

enum class Request { Download, Coordinates, Codes };

// What a download sends and how: the data (the job and 0x04, or less), whether it
// is all of it, after how many bytes the line hangs up (-1 never), and its pauses.
struct DownloadPlan {
  std::string stream;
  bool complete = true;
  long long hangupAfter = -1;
  std::vector<StreamPause> pauses;
};

class InstrumentCore final {
 public:
  explicit InstrumentCore(InstrumentConfig config);
  const InstrumentConfig& Config() const { return config_; }
  // The random behaviour of --chaos; null without it.
  sim::Chaos* Chaos() { return chaos_.get(); }
  bool HasChaos() const { return chaos_ != nullptr; }
  InstrumentRecord& Record() { return record_; }

  // The reply to a request: "1" (then `accepted` is true), "0", noise, or nothing.
  std::string Answer(Request request, bool& accepted);
  // The reply to the coordinate upload's file name.
  std::string SecondAnswer(bool& accepted);
  // What a download sends: the job and 0x04, cut short where the instrument falls
  // silent.
  std::string DownloadStream() const;
  // The download as the faults (or the chaos) have it.
  DownloadPlan PlanDownload();
  // Keeps an upload (and saves it in the save folder) and counts the transfer.
  void FinishUpload(Request request, std::string bytes);
  void FinishDownload() { record_.Completed(); }

 private:
  InstrumentConfig config_;
  std::unique_ptr<sim::Chaos> chaos_;
  InstrumentRecord record_;
  int requests_ = 0;
  int saved_ = 0;
};

}  // namespace corvane::sim
