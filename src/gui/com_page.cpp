// CComPage: the RS-232 page. Download, coordinate upload and code upload over the
// serial port of the stored settings.
#include "core/link/serial_code_upload.h"
#include "core/link/serial_coordinate_upload.h"
#include "core/link/serial_download.h"
#include "core/link/transfer_pages.h"
#include "core/text/text_helpers.h"
#include "gui/gbk_text.h"
#include "gui/transfer_link.h"
#include "gui/transfer_pages.h"

namespace corvane::gui {
namespace {

constexpr TransferPage::ButtonCaption kComCaptions[3] = {
    {"COMReceive", "Receive"}, {"COMSend", "Send"}, {"COMCode", "SendCode"}};

}  // namespace

CComPage::CComPage(GuiContext& context, QWidget* parent) : TransferPage(context, kComCaptions, parent) {
  setObjectName(QStringLiteral("CComPage"));
}

void CComPage::ButtonPressed(int index) {
  switch (index) {
    case 0: Download(); break;
    case 1: Upload(); break;
    default: SendCode(); break;
  }
}

QString CComPage::ProgressText() { return FromGbk(SerialProgressText(State())); }

bool CComPage::OpenPort(bool localizedMessage) {
  const LineSettings line = ReadLineSettings(context_.Settings());
  std::string message;
  if (ReopenPort(State().Port(), context_.Settings().DevicePath(line.comNumber), line, context_.LanguageIndex(),
                 localizedMessage, &message))
    return true;
  // The tool's message as it stands; the device and the system's reason below it.
  const size_t cut = message.rfind('\n');
  context_.Prompts().Message(this, FromGbk(message.substr(0, cut)), context_.AppTitle(), MessageIcon::Exclamation,
                             cut == std::string::npos ? QString() : FromGbk(message.substr(cut + 1)));
  return false;
}

void CComPage::Download() {
  EndRunningTransfer();
  // A cancelled dialog leaves the port as the last transfer left it.
  if (context_.Dialogs().ShowDownSetDlg().empty()) return;
  if (!OpenPort(false)) return;
  State().ClearReceiveBuffer();
  ProgressTimer().start();
  const int silenceLimitMs = Link().SilenceLimitMs();
  StartTransfer([this, silenceLimitMs](const TransferContext& ctx) {
    return std::make_unique<SerialDownload>(ctx, State().Port(), silenceLimitMs);
  });
}

void CComPage::Upload() {
  EndRunningTransfer();
  const std::string path = TextInLastBraces(context_.Dialogs().ShowUpSetDlg());
  if (path.empty()) return;
  if (!OpenPort(true)) return;
  State().UploadFilePath = path;
  StartTransfer(
      [this](const TransferContext& ctx) { return std::make_unique<SerialCoordinateUpload>(ctx, State().Port()); });
}

void CComPage::SendCode() {
  EndRunningTransfer();
  const std::string path = context_.Dialogs().ShowUpCodeSetDlg();
  if (path.empty()) return;
  if (!OpenPort(false)) return;
  State().UploadFilePath = path;
  StartTransfer([this](const TransferContext& ctx) { return std::make_unique<SerialCodeUpload>(ctx, State().Port()); });
}

void CComPage::OnDownloadEnded() {
  State().Port().Close();
  // The box keeps the count of everything that came, the last lines included.
  OnProgressTimer();
  StopProgressTimer();
  HandOverReceived();
}

void CComPage::OnUploadDone() {
  StopProgressTimer();
  SetStatusText(FromGbk(FinishSerialUpload(State(), context_.LanguageIndex())));
}

}  // namespace corvane::gui
