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
    : QWidget(parent), context_(context), status_(new QPlainTextEdit(this)), statusCaption_(new QLabel(this)) {
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

TransferState& TransferPage::State() { return Link().State(); }

void TransferPage::ClearReceived() {
  State().ClearReceiveBuffer();
  // Nothing received any more: the box no longer shows the last count.
  SetStatusText(QString());
}

void TransferPage::EndRunningTransfer() { Link().RequestStop(); }

void TransferPage::StartTransfer(const EngineMaker& make, bool progressTimer) {
  auto bridge = std::make_unique<TransferBridge>(*this, Link(), progressTimer);
  const TransferContext ctx{State(), Link().Clock(), context_.Settings(), *bridge, context_.LanguageIndex()};
  std::unique_ptr<ITransferEngine> engine = make(ctx);
  Link().Start(std::move(bridge), std::move(engine));
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
  if (result.handOver) emit downloadComplete(QByteArray::fromStdString(result.received));
  if (!result.status.empty()) SetStatusText(FromGbk(result.status));
  if (!result.message.empty())
    ShowTransferMessage(result.message, result.icon == MessageIcon::Exclamation, result.detail);
}

void TransferPage::ShowSentLine(bool code) {
  const TransferState& state = State();
  const QByteArray line = QByteArray::fromStdString(state.LastSentLine);
  if (code) emit codeSent(state.SentLineCount, line);
  else emit recordSent(state.SentLineCount, line);
}

void TransferPage::ShowTransferMessage(const std::string& text, bool exclamation, const std::string& detail) {
  context_.Prompts().Message(this, FromGbk(text), context_.AppTitle(),
                             exclamation ? MessageIcon::Exclamation : MessageIcon::None, FromGbk(detail));
}

std::string TransferPage::ChooseCodeFile() {
  return LocalPath(context_.Prompts().OpenFileName(this, QtFileFilter(kCodeFileFilter)));
}

}  // namespace corvane::gui
