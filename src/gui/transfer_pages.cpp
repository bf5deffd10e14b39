#include "gui/transfer_pages.h"

#include <QVBoxLayout>

namespace corvane::gui {
namespace {

constexpr TransferPage::ButtonCaption kComCaptions[3] = {
    {"COMReceive", "Receive"}, {"COMSend", "Send"}, {"COMCode", "SendCode"}};
constexpr TransferPage::ButtonCaption kUsbCaptions[3] = {
    {"USBDownFile", "FileDown"}, {"USBUpCoor", "CoordUP"}, {"USBUpCode", "CodeUp"}};
const char* const kButtonNames[3] = {"download", "upload", "sendCode"};

// CR LF pairs, each search starting two bytes after the previous find.
int CountLineEnds(std::string_view text) {
  int count = 0;
  for (size_t pos = text.find("\r\n"); pos != std::string_view::npos; pos = text.find("\r\n", pos + 2)) ++count;
  return count;
}

QString CountText(int lineEnds) { return QStringLiteral("\r\n       %1").arg(lineEnds - 1); }

QString WaitingText() { return QStringLiteral("\r\n    Waiting:"); }

}  // namespace

QString SerialProgressText(std::string_view received) {
  const int c = CountLineEnds(received);
  return c >= 2 ? CountText(c) : WaitingText();
}

QString UsbProgressText(std::string_view received, const QString& previous) {
  if (received.empty()) return WaitingText();
  const int c = CountLineEnds(received);
  return c >= 2 ? CountText(c) : previous;
}

TransferPage::TransferPage(GuiContext& context, const ButtonCaption (&captions)[3], QWidget* parent)
    : QWidget(parent), context_(context), status_(new QPlainTextEdit(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  for (int i = 0; i < 3; ++i) {
    captions_[i] = captions[i];
    buttons_[i] = new QPushButton(this);
    buttons_[i]->setObjectName(QString::fromLatin1(kButtonNames[i]));
    layout->addWidget(buttons_[i]);
    // The transfer engines are wired in here; until then the button says so.
    connect(buttons_[i], &QPushButton::clicked, this,
            [this, i] { context_.NotAvailable(this, buttons_[i]->text().remove(QLatin1Char('&'))); });
  }
  buttons_[0]->setDefault(true);
  status_->setObjectName(QStringLiteral("status"));
  status_->setReadOnly(true);
  status_->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(status_, 1);
  timer_.setInterval(500);
  connect(&timer_, &QTimer::timeout, this, &TransferPage::OnProgressTimer);
}

void TransferPage::ApplyCaptions() {
  for (int i = 0; i < 3; ++i) buttons_[i]->setText(context_.Caption("FirstMark", captions_[i].key, captions_[i].def));
  update();
}

void TransferPage::SetStatusText(const QString& text) {
  statusRaw_ = text;
  // The box shows lines; the CR LF of the status texts becomes a line break.
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  status_->setPlainText(shown);
}

void TransferPage::OnProgressTimer() {
  const std::string copy = receiveSource_ ? receiveSource_() : std::string();
  SetStatusText(ProgressText(copy));
}

QString CUsbPage::ProgressText(std::string_view received) const {
  return UsbProgressText(received, StatusText());
}

CComPage::CComPage(GuiContext& context, QWidget* parent) : TransferPage(context, kComCaptions, parent) {
  setObjectName(QStringLiteral("CComPage"));
}

CUsbPage::CUsbPage(GuiContext& context, QWidget* parent) : TransferPage(context, kUsbCaptions, parent) {
  setObjectName(QStringLiteral("CUsbPage"));
}

}  // namespace corvane::gui
