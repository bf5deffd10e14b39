// CUsbPage: the USB page. Download, coordinate upload and code upload through the
// USB library.
#include "core/link/transfer_pages.h"
#include "core/link/transfer_texts.h"
#include "core/link/usb_download.h"
#include "core/link/usb_uploads.h"
#include "core/text/text_helpers.h"
#include "gui/gbk_text.h"
#include "gui/gis_upload.h"
#include "gui/transfer_link.h"
#include "gui/transfer_pages.h"

namespace corvane::gui {
namespace {

constexpr TransferPage::ButtonCaption kUsbCaptions[3] = {
    {"USBDownFile", "FileDown"}, {"USBUpCoor", "CoordUP"}, {"USBUpCode", "CodeUp"}};

}  // namespace

CUsbPage::CUsbPage(GuiContext& context, QWidget* parent) : TransferPage(context, kUsbCaptions, parent) {
  setObjectName(QStringLiteral("CUsbPage"));
}

void CUsbPage::ButtonPressed(int index) {
  switch (index) {
    case 0: Download(); break;
    case 1: UploadCoordinates(); break;
    default: UploadCodes(); break;
  }
}

QString CUsbPage::ProgressText() {
  const TransferProgress p = Progress();
  return FromGbk(UsbProgressText(p.bytes, p.lines, ToGbk(StatusText())));
}

void CUsbPage::Download() {
  EndRunningTransfer();
  const int silenceLimitMs = Link().SilenceLimitMs();
  StartTransfer(
      [this, silenceLimitMs](const TransferContext& ctx) {
        return std::make_unique<UsbDownload>(ctx, Link().MakeUsb(), silenceLimitMs);
      },
      Kind::Download);
}

void CUsbPage::UploadCoordinates() {
  EndRunningTransfer();
  const std::string answer = context_.Dialogs().ShowImportDlg();
  std::string path = TextInLastBraces(answer);
  if (path.empty()) return;
  // The records are made with the layout the user has just picked for this file;
  // a GIS file becomes a list in that layout first.
  int type = UploadTypeFrom(answer);
  if (!PrepareUploadFile(context_, this, path, type)) return;
  SetStatusText(FromGbk(TransferTexts::Uploading()));
  const UploadJob job{path, type};
  StartTransfer(
      [this, job](const TransferContext& ctx) { return std::make_unique<UsbCoordinateUpload>(ctx, Link().MakeUsb(), job); },
      Kind::Upload);
}

void CUsbPage::UploadCodes() {
  EndRunningTransfer();
  StartTransfer([this](const TransferContext& ctx) { return std::make_unique<UsbCodeUpload>(ctx, Link().MakeUsb()); },
                Kind::Upload);
}

}  // namespace corvane::gui
