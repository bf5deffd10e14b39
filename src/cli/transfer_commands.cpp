// Transfers with the instrument: download, upload-coords, upload-codes over RS-232
// and the same three over USB.
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <strings.h>

#include "cli_common.h"
#include "core/grid/grid_layout.h"
#include "core/grid/grid_loading.h"
#include "core/grid/grid_saving.h"
#include "core/grid/upload_record.h"
#include "core/link/serial_code_upload.h"
#include "core/link/serial_coordinate_upload.h"
#include "core/link/serial_download.h"
#include "core/link/transfer_pages.h"
#include "core/link/usb_download.h"
#include "core/link/usb_uploads.h"
#include "core/settings/captions.h"
#include "core/text/numbers.h"
#include "easyusb214x/easyusb214x.h"
#include "received_job_files.h"
#include "exchange/upload_conversion.h"
#include "transfer_session.h"

namespace corvane::cli {
namespace {


// The line from the store, with the command line's overrides.
LineSettings LineFromArgs(const CliArgs& args, CliEnv& env, std::string& device) {
  LineSettings line = ReadLineSettings(env.settings);
  const auto path = args.Option("--device");
  const auto port = args.IntOption("--port");
  if (path && port) throw UsageError("--device and --port do not go together");
  if (port) {
    if (*port < 1) throw UsageError("--port takes a COM number from 1");
    line.comNumber = *port;
  }
  device = path ? *path : env.settings.DevicePath(line.comNumber);
  if (const auto baud = args.IntOption("--baud")) {
    static constexpr int kRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    if (std::find(std::begin(kRates), std::end(kRates), *baud) == std::end(kRates))
      throw UsageError("--baud takes 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200");
    line.baud = *baud;
  }
  if (const auto bits = args.IntOption("--data-bits")) {
    if (*bits != 7 && *bits != 8) throw UsageError("--data-bits takes 7 or 8");
    line.dataBits = *bits;
  }
  if (const auto parity = args.Option("--parity")) {
    if (*parity == "none") line.parity = 0;
    else if (*parity == "odd") line.parity = 1;
    else if (*parity == "even") line.parity = 2;
    else throw UsageError("--parity takes none, odd or even");
  }
  if (const auto stop = args.Option("--stop-bits")) {
    if (*stop == "1") line.stopBits = 0;
    else if (*stop == "1.5") line.stopBits = 1;
    else if (*stop == "2") line.stopBits = 2;
    else throw UsageError("--stop-bits takes 1, 1.5 or 2");
  }
  return line;
}

int SilenceLimitMs(const CliArgs& args) {
  const auto text = args.Option("--silence-limit");
  if (!text) return kDefaultSilenceLimitMs;
  char* end = nullptr;
  const double seconds = std::strtod(text->c_str(), &end);
  if (text->empty() || *end != '\0' || !(seconds > 0) || seconds > 86400)
    throw UsageError("--silence-limit takes a number of seconds above 0");
  return static_cast<int>(seconds * 1000 + 0.5);
}

// Where a transfer meets the instrument: the serial port (opened by the engine on
// its worker, as the transfer buttons ask) or the USB library, through the trace
// when one is kept. The engine takes the port or link over.
struct LinkSetup {
  TransferToken token;
  TransferTrace trace;
  std::optional<std::string> tracePath;
  std::optional<PortRequest> open;

  // The trace file is created only once everything else the command needs has
  // been checked, so a refused command leaves no file behind.
  bool OpenTraceFile() { return OpenTrace(tracePath, trace); }

  std::unique_ptr<ISerialPort> Port() {
    std::unique_ptr<ISerialPort> port = std::make_unique<CSerialPort>();
    if (trace.IsOpen()) port = std::make_unique<TracingPort>(std::move(port), trace);
    return port;
  }
  std::unique_ptr<IUsbLink> Usb() {
    std::unique_ptr<IUsbLink> usb =
        std::make_unique<UsbLibraryLink>(UsbLibraryCalls{&WriteData214x, &ReadData214x, &Close214x, &LastError214x});
    if (trace.IsOpen()) usb = std::make_unique<TracingUsbLink>(std::move(usb), trace);
    return usb;
  }
};

// Reads the link options and checks the command line (a usage error throws).
void PrepareLink(const CliArgs& args, CliEnv& env, LinkSetup& link, bool usb, bool localizedMessage,
                 size_t positionals) {
  std::string device;
  std::optional<LineSettings> line;
  if (!usb) line = LineFromArgs(args, env, device);
  link.tracePath = args.Option("--trace");
  args.ExpectNoMore(positionals);
  if (!usb) link.open = PortRequest{device, *line, localizedMessage};
}

int Finish(const TransferResult& result, bool interrupted, CliTransferEvents& events, TransferTrace& trace) {
  std::string reason;
  if (!trace.Close(&reason)) Warn(reason);
  if (!result.message.empty()) Warn(ForTerminal(result.message));
  if (!result.detail.empty()) Warn(ForTerminal(result.detail));
  if (interrupted) return Fail("Stopped: the transfer was interrupted.");
  if (!result.Completed()) return kExitFailed;
  if (!events.Status().empty()) Warn(ForTerminal(events.Status()));
  return kExitOk;
}

int Download(const CliArgs& args, CliEnv& env, bool usb) {
  const int silence = SilenceLimitMs(args);
  args.Option("-o");
  args.Option("--grid-out");
  LinkSetup link;
  PrepareLink(args, env, link, usb, false, 0);
  ReceivedJobFiles files;
  if (!files.Prepare(args) || !link.OpenTraceFile()) return kExitFailed;
  const int language = ReadLanguageIndex(env.settings);
  CliTransferEvents events;
  SystemClock clock;
  TransferContext ctx{link.token, clock, env.settings, events, language};
  std::unique_ptr<ITransferEngine> engine;
  if (usb) engine = std::make_unique<UsbDownload>(ctx, link.Usb(), silence);
  else engine = std::make_unique<SerialDownload>(ctx, link.Port(), silence, link.open);
  bool interrupted = false;
  const TransferResult result = RunTransfer(link.token, std::move(engine), events, ProgressKind::Received, interrupted);
  if (!files.Keep(result.output.received, env)) return kExitFailed;
  return Finish(result, interrupted, events, link.trace);
}

int Upload(const CliArgs& args, CliEnv& env, bool usb, bool codes) {
  const std::string file = args.Positional(0, "FILE");
  const auto type = codes ? std::nullopt : args.IntOption("--type");
  LinkSetup link;
  PrepareLink(args, env, link, usb, !codes, 1);
  const int language = ReadLanguageIndex(env.settings);
  // The layout given on the command line, else the one stored for uploads; a GIS
  // file becomes a coordinate list in that layout first.
  exchange::UploadFile upload{file, 0, {}, {}};
  if (!codes) {
    const CommandResult prepared = exchange::PrepareCoordinateUpload(
        file, type ? ToShort(*type) : ReadUploadType(env.settings), env.settings, upload);
    if (!prepared.Done()) return Fail(ForTerminal(prepared.message + "\n" + prepared.detail));
    if (!upload.leftOut.empty()) Warn(ForTerminal(upload.leftOut));
  }
  if (!link.OpenTraceFile()) return kExitFailed;
  const UploadJob job{upload.path, upload.type};
  CliTransferEvents events(file);
  SystemClock clock;
  TransferContext ctx{link.token, clock, env.settings, events, language};
  std::unique_ptr<ITransferEngine> engine;
  if (usb && codes) engine = std::make_unique<UsbCodeUpload>(ctx, link.Usb());
  else if (usb) engine = std::make_unique<UsbCoordinateUpload>(ctx, link.Usb(), job);
  else if (codes) engine = std::make_unique<SerialCodeUpload>(ctx, link.Port(), file, link.open);
  else engine = std::make_unique<SerialCoordinateUpload>(ctx, link.Port(), job, link.open);
  bool interrupted = false;
  const TransferResult result = RunTransfer(link.token, std::move(engine), events,
                                            codes ? ProgressKind::Codes : ProgressKind::Records, interrupted);
  return Finish(result, interrupted, events, link.trace);
}

const std::set<std::string> kHelpFlag = {"--help"};

const bool registered =
    RegisterCommand({"download",
                     "download [--device PATH | --port N] [--baud B] [--data-bits 7|8] [--parity none|odd|even] [--stop-bits 1|1.5|2] [-o FILE] [--grid-out FILE] [--silence-limit S] "
                     "[--trace FILE]",
                     "receive a job from the instrument over RS-232", kHelpFlag,
                     [](const CliArgs& a, CliEnv& e) { return Download(a, e, false); }}) &&
    RegisterCommand({"upload-coords", "upload-coords FILE [--type N] [--device PATH | --port N] [--baud B] [--data-bits 7|8] [--parity none|odd|even] [--stop-bits 1|1.5|2] [--trace FILE]",
                     "send a coordinate file to the instrument over RS-232", kHelpFlag,
                     [](const CliArgs& a, CliEnv& e) { return Upload(a, e, false, false); }}) &&
    RegisterCommand({"upload-codes", "upload-codes FILE [--device PATH | --port N] [--baud B] [--data-bits 7|8] [--parity none|odd|even] [--stop-bits 1|1.5|2] [--trace FILE]",
                     "send a code list to the instrument over RS-232", kHelpFlag,
                     [](const CliArgs& a, CliEnv& e) { return Upload(a, e, false, true); }}) &&
    RegisterCommand({"usb-download", "usb-download [-o FILE] [--grid-out FILE] [--silence-limit S] [--trace FILE]",
                     "receive a job from the instrument over USB", kHelpFlag,
                     [](const CliArgs& a, CliEnv& e) { return Download(a, e, true); }}) &&
    RegisterCommand({"usb-upload-coords", "usb-upload-coords FILE [--type N] [--trace FILE]",
                     "send a coordinate file to the instrument over USB", kHelpFlag,
                     [](const CliArgs& a, CliEnv& e) { return Upload(a, e, true, false); }}) &&
    RegisterCommand({"usb-upload-codes", "usb-upload-codes FILE [--trace FILE]",
                     "send a code list to the instrument over USB", kHelpFlag,
                     [](const CliArgs& a, CliEnv& e) { return Upload(a, e, true, true); }});

}  // namespace
}  // namespace corvane::cli
