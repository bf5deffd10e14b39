// CUsbPage: the USB page. Download, coordinate upload and code upload through the
// USB library.
#include "core/grid/coordinate_import.h"
#include "core/link/transfer_pages.h"
#include "core/link/transfer_texts.h"
#include "core/link/usb_download.h"
#include "core/link/usb_uploads.h"
#include "core/text/text_helpers.h"
#include "gui/gbk_text.h"
#include "gui/transfer_link.h"
#include "gui/transfer_pages.h"

namespace corvane::gui {
namespace {

constexpr TransferPage::ButtonCaption kUsbCaptions[3] = {
    {"USBDownFile", "FileDown"}, {"USBUpCoor", "CoordUP"}, {"USBUpCode", "CodeUp"}};

// The file layout the import dialog answered in its first braces, when the
// answer has one besides the path.
std::optional<int> AnsweredLayout(std::string_view answer) {
  const size_t first = answer.find('{');
  if (first == std::string_view::npos || first == answer.rfind('{')) return std::nullopt;
  return ParseImportAnswer(answer).layout;
}

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

QString CUsbPage::ProgressText() { return FromGbk(UsbProgressText(State(), ToGbk(StatusText()))); }

void CUsbPage::Download() {
  EndRunningTransfer();
  ProgressTimer().start();
  State().ClearReceiveBuffer();
  const int silenceLimitMs = Link().SilenceLimitMs();
  StartTransfer([this, silenceLimitMs](const TransferContext& ctx) {
    return std::make_unique<UsbDownload>(ctx, Link().Usb(), silenceLimitMs);
  });
}

void CUsbPage::UploadCoordinates() {
  EndRunningTransfer();
  const std::string answer = context_.Dialogs().ShowImportDlg();
  const std::string path = TextInLastBraces(answer);
  if (path.empty()) return;
  State().SentLineCount = 0;
  SetStatusText(FromGbk(TransferTexts::Uploading()));
  State().UploadFilePath = path;
  // The records are made with the layout the user has just picked for this file.
  StartTransfer([this](const TransferContext& ctx) { return std::make_unique<UsbCoordinateUpload>(ctx, Link().Usb()); },
                AnsweredLayout(answer));
}

void CUsbPage::UploadCodes() {
  EndRunningTransfer();
  StartTransfer([this](const TransferContext& ctx) { return std::make_unique<UsbCodeUpload>(ctx, Link().Usb()); });
}

}  // namespace corvane::gui
