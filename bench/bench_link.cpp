// The RS-232 download against the simulated instrument over a pseudo-terminal.
//   PacedDownload      200 KB with the instrument sending at 115 200 bit/s
//                      (10 bits a byte): the time from its first data byte to
//                      the end marker, against the line-rate time
//   UnpacedDownload    as fast as the pseudo-terminal carries it: MB/s
//   SilentInstrument   CPU of the whole process while the download waits for an
//                      instrument that answered and then sends nothing
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>

#include "core/link/serial_download.h"
#include "pty_pair.h"
#include "serial_instrument.h"

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;

class EndTime final : public ITransferEvents {
 public:
  Clock::time_point ended;
  void DownloadEnded() override { ended = Clock::now(); }
  void UploadDone() override {}
  void BufferComplete() override {}
  void RecordSent() override {}
  void CodeSent() override {}
  void ShowMessage(const std::string&, MessageIcon) override {}
  void SetStatusText(const std::string&) override {}
  void KillTimer() override {}
  std::string ChooseCodeFile() override { return {}; }
};

class NoSettings final : public ISettingsReader {
 public:
  std::string ReadSetting(SettingsSection, std::string_view, std::string_view def) const override {
    return std::string(def);
  }
};

std::string Job(size_t bytes) {
  std::string job;
  for (int i = 1; job.size() < bytes; ++i)
    job += std::to_string(i) + ",1000." + std::to_string(i % 1000) + ",2000.456,50.789,CODE" + std::to_string(i % 7) +
           "\r\n";
  job.resize(bytes - 2);
  return job + "\r\n";
}

struct Run {
  Clock::time_point streamStart, end;
  size_t received = 0;
  bool completed = false;
};

Run Download(sim::InstrumentConfig config, int silenceLimitMs = kDefaultSilenceLimitMs) {
  sim::PtyPair pair;
  std::string reason;
  if (!sim::OpenPtyPair(pair, &reason)) return {};
  sim::SerialInstrument instrument(std::exchange(pair.master, -1), config);
  instrument.Start();
  TransferState state;
  state.TransferRunning = true;
  SystemClock clock;
  NoSettings settings;
  EndTime events;
  state.Port().Open(pair.slavePath, 115200, 8, 0, 0);
  SerialDownload download({state, clock, settings, events, 1}, state.Port(), silenceLimitMs);
  Run run;
  run.completed = download.Run().outcome == TransferOutcome::Completed;
  run.end = run.completed ? events.ended : Clock::now();
  run.streamStart = instrument.Record().StreamStartTime();
  run.received = state.ReceivedBytes();
  instrument.Stop();
  sim::ClosePtyPair(pair);
  return run;
}

void PacedDownload(benchmark::State& st) {
  sim::InstrumentConfig config;
  config.job = Job(200 * 1024);
  config.baud = 115200;
  const double lineSeconds = (config.job.size() + 1) * 10.0 / config.baud;
  for (auto _ : st) {
    const Run run = Download(config);
    if (!run.completed) st.SkipWithError("the download did not complete");
    const double seconds = std::chrono::duration<double>(run.end - run.streamStart).count();
    st.SetIterationTime(seconds);
    st.counters["line_rate_s"] = lineSeconds;
    st.counters["took_s"] = seconds;
    st.counters["over_line_rate_pct"] = (seconds / lineSeconds - 1) * 100;
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * (config.job.size() + 1)));
}
BENCHMARK(PacedDownload)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void UnpacedDownload(benchmark::State& st) {
  sim::InstrumentConfig config;
  config.job = Job(static_cast<size_t>(st.range(0)) << 20);
  for (auto _ : st) {
    const Run run = Download(config);
    if (!run.completed) st.SkipWithError("the download did not complete");
    const double seconds = std::chrono::duration<double>(run.end - run.streamStart).count();
    st.SetIterationTime(seconds);
    st.counters["MB_per_s"] = (config.job.size() + 1) / seconds / 1e6;
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * (config.job.size() + 1)));
}
BENCHMARK(UnpacedDownload)->Arg(20)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

double CpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

void SilentInstrument(benchmark::State& st) {
  sim::InstrumentConfig config;
  config.job = Job(1024);
  config.silentAfter = 0;
  config.startDelayMs = 0;
  for (auto _ : st) {
    const double cpu = CpuSeconds();
    const auto wall = Clock::now();
    Download(config, 5000);
    const double wallSeconds = std::chrono::duration<double>(Clock::now() - wall).count();
    st.SetIterationTime(wallSeconds);
    st.counters["cpu_pct_of_one_core"] = (CpuSeconds() - cpu) / wallSeconds * 100;
  }
}
BENCHMARK(SilentInstrument)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
