// Commands that load a grid and save or dump it: open, load-download, import,
// and upload-records (the records a coordinate upload would send).
#include <cstdio>

#include "cli_common.h"
#include "core/file_texts.h"
#include "core/grid/coordinate_import.h"
#include "core/grid/grid_layout.h"
#include "core/grid/grid_loading.h"
#include "core/grid/upload_record.h"
#include "core/settings/captions.h"
#include "core/text/numbers.h"
#include "core/text/text_file.h"
#include "exchange/upload_conversion.h"

namespace corvane::cli {
namespace {

int RunOpen(const CliArgs& args, CliEnv& env) {
  const std::string& file = args.Positional(0, "FILE");
  args.Option("--as");
  args.Option("-o");
  args.Flag("--dump");
  args.ExpectNoMore(1);
  RecordGrid grid;
  if (!LoadJob(grid, file, args, env)) return kExitFailed;
  return EmitGrid(grid, args);
}

int RunLoadDownload(const CliArgs& args, CliEnv& env) {
  const std::string& file = args.Positional(0, "FILE");
  args.Option("-o");
  args.Flag("--dump");
  args.ExpectNoMore(1);
  std::string bytes, reason;
  if (!ReadFileBytes(file, bytes, &reason)) return Fail(OpenFileFailure(file, reason));
  RecordGrid grid;
  ClearGrid(grid, CurrentColumnCaptions(env));
  LoadBufferIntoGrid(grid, bytes);
  return EmitGrid(grid, args);
}

int RunImport(const CliArgs& args, CliEnv& env) {
  const auto answer = args.Option("--answer");
  const auto layout = args.IntOption("--layout");
  args.Option("-o");
  args.Flag("--dump");
  ImportAnswer parsed;
  if (answer) {
    args.ExpectNoMore(0);
    if (layout) throw UsageError("--answer and --layout do not go together");
    if (answer->empty()) return kExitOk;  // the dialog was cancelled: nothing changes
    parsed = ParseImportAnswer(*answer);
  } else {
    parsed.path = args.Positional(0, "FILE");
    args.ExpectNoMore(1);
    if (!layout) throw UsageError("--layout N is needed (or --answer TEXT)");
    parsed.layout = ToShort(*layout);
  }
  RecordGrid grid;
  ClearGrid(grid, CurrentColumnCaptions(env));
  const CommandResult imported = ImportCoordinates(grid, parsed.path, parsed.layout, env.settings);
  if (!imported.Done()) return Fail(imported);
  return EmitGrid(grid, args);
}

int RunUploadRecords(const CliArgs& args, CliEnv& env) {
  const std::string& file = args.Positional(0, "FILE");
  const auto type = args.IntOption("--type");
  args.ExpectNoMore(1);
  // A GIS file is turned into a coordinate list first.
  exchange::UploadFile upload;
  const CommandResult prepared =
      exchange::PrepareCoordinateUpload(file, type ? ToShort(*type) : ReadUploadType(env.settings), env.settings, upload);
  if (!prepared.Done()) return Fail(prepared);
  if (!upload.leftOut.empty()) Warn(upload.leftOut);
  const int uploadType = upload.type;
  TextLineReader in;
  std::string reason;
  if (!in.Open(upload.path, &reason)) return Fail(OpenFileFailure(file, reason));
  std::string piece, out;
  const bool enz = UploadOrderIsEnz(env.settings);
  while (in.ReadPiece(piece, 100)) {
    if (piece.size() <= 2) continue;
    UploadLineResult r = ConvertUploadLine(piece, uploadType, enz);
    if (!r.message.empty()) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
      Warn(r.message);
    }
    out += r.record;
  }
  if (!WriteOutput(std::nullopt, out, &reason)) return Fail(reason);
  return kExitOk;
}

const bool registered = RegisterCommand({"open",
                                         "open FILE [--as open|download] [-o OUT] [--dump]",
                                         "load FILE as the Open button does, then save the grid",
                                         {"--dump"},
                                         RunOpen}) &&
                        RegisterCommand({"load-download",
                                         "load-download FILE [-o OUT] [--dump]",
                                         "load FILE's bytes as a received download, then save the grid",
                                         {"--dump"},
                                         RunLoadDownload}) &&
                        RegisterCommand({"import",
                                         "import FILE --layout N | --answer TEXT [-o OUT] [--dump]",
                                         "import a coordinate list into the grid, then save it",
                                         {"--dump"},
                                         RunImport}) &&
                        RegisterCommand({"upload-records",
                                         "upload-records FILE [--type N]",
                                         "print the records a coordinate upload of FILE would send",
                                         {},
                                         RunUploadRecords});

}  // namespace
}  // namespace corvane::cli
