#include "gui/transfer_pages.h"

#include <QVBoxLayout>

#include "core/grid/coordinate_import.h"
#include "core/grid/upload_record.h"
#include "gui/access_texts.h"
#include "gui/file_paths.h"
#include "gui/gbk_text.h"
#include "gui/transfer_bridge.h"
#include "gui/transfer_link.h"

namespace corvane::gui {
namespace {

const char* const kButtonNames[3] = {"download", "upload", "sendCode"};
constexpr const char* kCodeFileFilter = "*.txt|*.txt|*.dat|*.dat|*.csv|*.csv|*.raw|*.raw|*.xyz|*.xyz|*.*|*.*|";

}  // namespace

TransferPage::TransferPage(GuiContext& context, const ButtonCaption (&captions)[3], QWidget* parent)
    : QWidget(parent),
      context_(context),
      stop_(new QPushButton(this)),
      progress_(new QLabel(this)),
      status_(new QPlainTextEdit(this)),
      statusCaption_(new QLabel(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  for (int i = 0; i < 3; ++i) {
    captions_[i] = captions[i];
    buttons_[i] = new QPushButton(this);
    buttons_[i]->setObjectName(QString::fromLatin1(kButtonNames[i]));
    layout->addWidget(buttons_[i]);
    connect(buttons_[i], &QPushButton::clicked, this, [this, i] {
      if (!startGuard_ || startGuard_()) ButtonPressed(i);
    });
  }
  buttons_[0]->setDefault(true);
  // Beside the transfer buttons; usable only while this page's transfer runs.
  stop_->setObjectName(QStringLiteral("stop"));
  stop_->setEnabled(false);
  layout->addWidget(stop_);
  connect(stop_, &QPushButton::clicked, this, &TransferPage::StopPressed);
  status_->setObjectName(QStringLiteral("status"));
  status_->setReadOnly(true);
  status_->setLineWrapMode(QPlainTextEdit::NoWrap);
  // Read-only text is still reached with Tab, so a screen reader can read it.
  status_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  statusCaption_->setObjectName(QStringLiteral("statusCaption"));
  statusCaption_->setBuddy(status_);
  statusCaption_->setWordWrap(true);
  layout->addWidget(statusCaption_);
  layout->addWidget(status_, 1);
  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setWordWrap(true);
  progress_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  progress_->setFocusPolicy(Qt::TabFocus);
  layout->addWidget(progress_);
  timer_.setInterval(500);
  connect(&timer_, &QTimer::timeout, this, &TransferPage::OnProgressTimer);
}

TransferPage::~TransferPage() {
  timer_.stop();
  EndOwnTransfer();
}

void TransferPage::EndOwnTransfer() { Link().Release(this); }

void TransferPage::ApplyCaptions() {
  for (int i = 0; i < 3; ++i) {
    buttons_[i]->setText(context_.Caption("FirstMark", captions_[i].key, captions_[i].def));
    // What the button does, for assistive technology: key "<button key>Tip" of section Access.
    const std::string tip = std::string(captions_[i].key) + "Tip";
    buttons_[i]->setAccessibleDescription(AccessText(context_, tip.c_str()));
  }
  statusCaption_->setText(context_.Caption("FirstMark", "StatusCount", "Transfer status, lines received:"));
  status_->setAccessibleDescription(statusCaption_->text());
  stop_->setText(context_.Caption("FirstMark", "Stop", "Stop"));
  stop_->setAccessibleName(stop_->text());
  stop_->setAccessibleDescription(AccessText(context_, "StopTip"));
  progress_->setAccessibleName(AccessText(context_, "Progress"));
  update();
}

void TransferPage::SetStatusText(const QString& text) {
  statusRaw_ = text;
  // The box shows lines; the CR LF of the status texts becomes a line break.
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  status_->setPlainText(shown);
}

void TransferPage::OnProgressTimer() { SetStatusText(ProgressText()); }

TransferProgress TransferPage::Progress() { return Link().Token().Progress(); }

QString TransferPage::ProgressLine() const { return progress_->text(); }

void TransferPage::ClearReceived() {
  // Nothing received any more: the box no longer shows the last count.
  SetStatusText(QString());
  progress_->clear();
  lastProgress_ = {};
}

void TransferPage::EndRunningTransfer() { Link().RequestStop(); }

void TransferPage::StopPressed() {
  // A second press, or one after the end, finds the button disabled; Stop itself is
  // harmless when nothing runs.
  stop_->setEnabled(false);
  Link().Stop();
}

void TransferPage::StartTransfer(const EngineMaker& make, Kind kind) {
  kind_ = kind;
  lastProgress_ = {};
  progress_->clear();
  auto bridge = std::make_unique<TransferBridge>(*this, Link(), kind == Kind::Download);
  const TransferContext ctx{Link().Token(), Link().Clock(), context_.Settings(), *bridge,
                            context_.LanguageIndex()};
  std::unique_ptr<ITransferEngine> engine = make(ctx);
  stop_->setEnabled(true);
  Link().Start(std::move(bridge), std::move(engine));
}

void TransferPage::ShowProgress(const TransferProgress& p) {
  lastProgress_ = p;
  if (kind_ == Kind::Upload)
    progress_->setText(context_.Caption("FirstMark", "UploadProgress", "%1 / %2 records").arg(p.sent).arg(p.total));
  else
    progress_->setText(
        context_.Caption("FirstMark", "DownloadProgress", "%1 lines, %2 bytes").arg(p.lines).arg(p.bytes));
}

QString TransferPage::FinalState(const TransferResult& result) const {
  if (result.Completed()) return context_.Caption("FirstMark", "TransferDone", "done");
  if (result.Stopped()) {
    if (kind_ == Kind::Download)
      return context_.Caption("FirstMark", "TransferStoppedLines", "stopped after %1 lines").arg(result.output.lines);
    return context_.Caption("FirstMark", "TransferStopped", "stopped after %1 of %2 records")
        .arg(result.output.sent)
        .arg(result.output.total);
  }
  // The tool's message on one line.
  QString why = FromGbk(result.message).simplified();
  if (why.isEmpty()) why = FromGbk(result.detail).simplified();
  return context_.Caption("FirstMark", "TransferFailed", "failed: %1").arg(why);
}

int TransferPage::UploadTypeFrom(std::string_view answer) const {
  const size_t first = answer.find('{');
  if (first != std::string_view::npos && first != answer.rfind('{')) return ParseImportAnswer(answer).layout;
  return ReadUploadType(context_.Settings());
}

void TransferPage::OnTransferEnded(const TransferResult& result) {
  if (timer_.isActive()) {
    // The box keeps the count of everything that came, the last lines included.
    OnProgressTimer();
    timer_.stop();
  }
  stop_->setEnabled(false);
  if (result.output.handOver) emit downloadComplete(QByteArray::fromStdString(result.output.received));
  const QString final = FinalState(result);
  if (!result.output.status.empty()) SetStatusText(FromGbk(result.output.status));
  // The box never keeps saying "Uploading" or "Waiting" once the transfer is over.
  const QString shown = statusRaw_.trimmed();
  if (!result.Completed() || shown.isEmpty() || shown == QLatin1String("Uploading") || shown.startsWith(QLatin1String("Waiting")))
    SetStatusText(QStringLiteral("\r\n  ") + final);
  // The progress line: how far it came, and how it ended.
  if (kind_ == Kind::Upload && result.Completed())
    progress_->setText(final + QStringLiteral(": ") +
                       context_.Caption("FirstMark", "UploadProgress", "%1 / %2 records")
                           .arg(result.output.sent)
                           .arg(result.output.total));
  else if (kind_ == Kind::Download && result.Completed())
    progress_->setText(final + QStringLiteral(": ") +
                       context_.Caption("FirstMark", "DownloadProgress", "%1 lines, %2 bytes")
                           .arg(result.output.lines)
                           .arg(result.output.received.size()));
  else
    progress_->setText(final);
  if (!result.message.empty())
    ShowTransferMessage(result.message, result.icon == MessageIcon::Exclamation, result.detail);
}

void TransferPage::ShowSentLine(const SentRecord& record) {
  const QByteArray line = QByteArray::fromStdString(record.LastSentLine);
  if (record.code) emit codeSent(record.SentLineCount, line);
  else emit recordSent(record.SentLineCount, line);
}

void TransferPage::ShowTransferMessage(const std::string& text, bool exclamation, const std::string& detail) {
  context_.Prompts().Message(this, FromGbk(text), context_.AppTitle(),
                             exclamation ? MessageIcon::Exclamation : MessageIcon::None, FromGbk(detail));
}

std::string TransferPage::ChooseCodeFile() {
  return LocalPath(context_.Prompts().OpenFileName(this, QtFileFilter(kCodeFileFilter)));
}

}  // namespace corvane::gui
