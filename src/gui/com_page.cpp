// CComPage: the RS-232 page. Download, coordinate upload and code upload over the
// serial port of the stored settings.
#include "core/link/serial_code_upload.h"
#include "core/link/serial_coordinate_upload.h"
#include "core/link/serial_download.h"
#include "core/link/transfer_pages.h"
#include "core/text/text_helpers.h"
#include "gui/gbk_text.h"
#include "gui/gis_upload.h"
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

QString CComPage::ProgressText() { return FromGbk(SerialProgressText(Progress().lines)); }

PortRequest CComPage::PortToOpen(bool localizedMessage) {
  const LineSettings line = ReadLineSettings(context_.Settings());
  return PortRequest{context_.Settings().DevicePath(line.comNumber), line, localizedMessage};
}

// Each transfer opens the port on its worker, runs the exchange and closes the port
// there; the page only reacts to its end.
void CComPage::Download() {
  EndRunningTransfer();
  // A cancelled dialog leaves the port as the last transfer left it.
  if (context_.Dialogs().ShowDownSetDlg().empty()) return;
  const int silenceLimitMs = Link().SilenceLimitMs();
  StartTransfer(
      [this, silenceLimitMs, port = PortToOpen(false)](const TransferContext& ctx) {
        return std::make_unique<SerialDownload>(ctx, Link().MakePort(), silenceLimitMs, port);
      },
      Kind::Download);
}

void CComPage::Upload() {
  EndRunningTransfer();
  const std::string answer = context_.Dialogs().ShowUpSetDlg();
  std::string path = TextInLastBraces(answer);
  if (path.empty()) return;
  // A GIS file becomes a coordinate list first.
  int type = UploadTypeFrom(answer);
  if (!PrepareUploadFile(context_, this, path, type)) return;
  const UploadJob job{path, type};
  StartTransfer(
      [this, job, port = PortToOpen(true)](const TransferContext& ctx) {
        return std::make_unique<SerialCoordinateUpload>(ctx, Link().MakePort(), job, port);
      },
      Kind::Upload);
}

void CComPage::SendCode() {
  EndRunningTransfer();
  const std::string path = context_.Dialogs().ShowUpCodeSetDlg();
  if (path.empty()) return;
  StartTransfer(
      [this, path, port = PortToOpen(false)](const TransferContext& ctx) {
        return std::make_unique<SerialCodeUpload>(ctx, Link().MakePort(), path, port);
      },
      Kind::Upload);
}

}  // namespace corvane::gui
