// Station file import, OK and the recompute over a job: the table takes the
// dialog's rows, and a recompute that is done leaves its output and a framed
// report; one that is not says why.
#include "core/compute/station_import.h"
#include "core/compute/station_recompute.h"
#include "core/grid/grid_loading.h"
#include "fuzz_support.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const unsigned choice = fuzz::TakeByte(bytes);
  // The traverse file, then after a zero byte the job.
  fuzz::FileAndJob input = fuzz::SplitFileAndJob(bytes);
  const std::string_view traverse = input.file;
  RecordGrid& grid = input.grid;
  StationTable table;
  ScanStations(grid, table);

  StationImportModel model(table);
  fuzz::MemoryFile file(traverse);
  model.Inport(static_cast<int>(choice % 8), file.Path());
  model.Ok(table);
  FUZZ_CHECK(table.StationCount() == model.RowCount() - 1, "OK does not give one entry per dialog row");
  for (int i = 1; i < model.RowCount(); ++i)
    if (!model.Cell(i, 1).empty()) FUZZ_CHECK(table.Entry(i).name == model.Cell(i, 1), "OK lost a station name");

  const std::string out = fuzz::Folder() + "/recomputed.txt";
  const std::string answer = "{" + std::to_string((choice >> 3) % 8) + "}{0}{" + out + "}";
  std::remove(out.c_str());
  std::remove(ReportPathFor(out).c_str());
  const CommandResult r = RecomputeStations(grid, table, answer, RecomputeFiles::InProgramFolder());
  if (r.Done()) {
    FUZZ_CHECK(!fuzz::ReadAll(ReportPathFor(out)).empty(), "a recompute without its report");
  } else {
    FUZZ_CHECK(r.status == CommandStatus::Cancelled || !r.message.empty(), "a failed recompute without a message");
  }
  return 0;
}
