// The RS-232 transfers against the simulated instrument over a pseudo-terminal.
//   PacedUpload/B      a 100-record coordinate upload through a line modelled at
//                      B bit/s (the instrument takes the PC's bytes at that rate):
//                      the time against the line time of every byte plus the
//                      transfer's own pauses; with /xoff the instrument holds XOFF
//                      for 2 s after record 50. Counters: overrun bytes (must be
//                      0) and how long after its last byte's arrival the upload
//                      reported its end (must not be negative)
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

#include <unistd.h>

#include <cstdio>

#include "core/link/serial_coordinate_upload.h"
#include "core/link/serial_download.h"
#include "pty_pair.h"
#include "serial_instrument.h"

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;

class EndTime final : public ITransferEvents {
 public:
  Clock::time_point ended;
  void TransferEnded(const TransferResult&) override { ended = Clock::now(); }
  void RecordSent(const SentRecord&) override {}
  void ShowMessage(const std::string&, MessageIcon) override {}
  void SetStatusText(const std::string&) override {}
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

// The simulated instrument on a pseudo-terminal, and what a transfer needs around
// it on the PC's side.
struct InstrumentLine {
  sim::PtyPair pair;
  std::unique_ptr<sim::SerialInstrument> instrument;
  TransferToken token;
  SystemClock clock;
  NoSettings settings;
  EndTime events;
  explicit InstrumentLine(const sim::InstrumentConfig& config) {
    std::string reason;
    if (!sim::OpenPtyPair(pair, &reason)) return;
    instrument = std::make_unique<sim::SerialInstrument>(std::exchange(pair.master, -1), config);
    instrument->Start();
    token.Start();
  }
  ~InstrumentLine() {
    if (instrument) instrument->Stop();
    sim::ClosePtyPair(pair);
  }
  TransferContext Ctx() { return {token, clock, settings, events, 1}; }
  // Runs the engine as the worker does: its end is the last call.
  TransferResult Run(ITransferEngine& engine) {
    const TransferResult result = engine.Run();
    events.TransferEnded(result);
    return result;
  }
};

struct Run {
  Clock::time_point streamStart, end;
  size_t received = 0;
  bool completed = false;
};

Run Download(sim::InstrumentConfig config, int silenceLimitMs = kDefaultSilenceLimitMs) {
  InstrumentLine line(config);
  if (!line.instrument) return {};
  LineSettings settings;
  settings.baud = 115200;
  SerialDownload download(line.Ctx(), std::make_unique<CSerialPort>(), silenceLimitMs,
                          PortRequest{line.pair.slavePath, settings, false});
  Run run;
  const TransferResult result = line.Run(download);
  run.completed = result.Completed();
  run.end = run.completed ? line.events.ended : Clock::now();
  run.streamStart = line.instrument->Record().StreamStartTime();
  run.received = result.output.received.size();
  return run;
}

void PacedUpload(benchmark::State& st, bool xoff) {
  const int baud = static_cast<int>(st.range(0));
  constexpr int kRecords = 100;
  std::string file;
  for (int i = 1; i <= kRecords; ++i)
    file += "P" + std::to_string(i) + "," + std::to_string(1000 + i) + ".123,2000.456,50.789,CODE\n";
  const std::string path = "/tmp/corvane-bench-upload-" + std::to_string(::getpid()) + ".txt";
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
  }
  sim::InstrumentConfig config;
  config.baud = baud;
  if (xoff) {
    config.xoffAfter = kRecords / 2;
    config.xoffHoldMs = 2000;
  }
  // "S0", the file name, every record and the end marker, 10 bits each; the
  // transfer's own pauses: 50 ms before each handshake read and each record, 300 ms
  // before the end marker.
  const double lineSeconds = (2 + 7 + kRecords * 76 + 1) * 10.0 / baud;
  const double pauseSeconds = 0.05 * 2 + 0.05 * kRecords + 0.3;
  for (auto _ : st) {
    InstrumentLine bench(config);
    if (!bench.instrument) st.SkipWithError("no pseudo-terminal");
    LineSettings line;
    line.baud = baud;
    SerialCoordinateUpload upload(bench.Ctx(), std::make_unique<CSerialPort>(), {path, 0},
                                  PortRequest{bench.pair.slavePath, line, false});
    const auto start = Clock::now();
    if (!bench.Run(upload).Completed()) st.SkipWithError("the upload did not complete");
    sim::InstrumentRecord& record = bench.instrument->Record();
    record.WaitForCompleted(1, 5000);
    const double seconds = std::chrono::duration<double>(bench.events.ended - start).count();
    st.SetIterationTime(seconds);
    const double expected = lineSeconds + pauseSeconds + (xoff ? 2.0 : 0.0);
    st.counters["took_s"] = seconds;
    st.counters["line_and_pauses_s"] = expected;
    st.counters["over_pct"] = (seconds / expected - 1) * 100;
    st.counters["overrun_bytes"] = static_cast<double>(record.Overruns());
    st.counters["end_after_last_byte_ms"] =
        std::chrono::duration<double, std::milli>(bench.events.ended - record.LastArrival()).count();
  }
  std::remove(path.c_str());
}
BENCHMARK_CAPTURE(PacedUpload, plain, false)->Arg(1200)->Arg(9600)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(PacedUpload, xoff, true)->Arg(1200)->Arg(9600)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

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
