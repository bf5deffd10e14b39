#pragma once
// The two transfer pages of the data page's inner tab: RS-232 (CComPage) and USB
// (CUsbPage). Each has three buttons (download, coordinate upload, code upload),
// a Stop button, a status box that a 500 ms timer fills with the number of lines
// received, and a progress line (records sent of the total, lines and bytes
// received, and at the end: done, stopped after N of M, or failed and why).
// A button ends a transfer still running before it starts its own; the transfer
// itself runs on the one worker of the application's TransferLink.
#include <QByteArray>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/link/transfer_engine.h"
#include "gui/gui_context.h"


namespace corvane::gui {

class TransferLink;

class TransferPage : public QWidget {
  Q_OBJECT
 public:
  struct ButtonCaption {
    const char* key;
    const char* def;
  };
  TransferPage(GuiContext& context, const ButtonCaption (&captions)[3], QWidget* parent);
  // A transfer this page runs ends first.
  ~TransferPage() override;

  void ApplyCaptions();
  QPushButton* Button(int i) const { return buttons_[i]; }
  // Enabled while this page's transfer runs (or waits to run).
  QPushButton* StopButton() const { return stop_; }
  // The progress line as shown.
  QString ProgressLine() const;
  // The status text as set (CR LF kept).
  const QString& StatusText() const { return statusRaw_; }
  void SetStatusText(const QString& text);
  QTimer& ProgressTimer() { return timer_; }
  void StopProgressTimer() { timer_.stop(); }
  // Clear's part: the status box and the progress line no longer show the last
  // transfer.
  void ClearReceived();
  // A transfer this page runs ends without reaching the page any more; the port closes.
  void EndOwnTransfer();
  // Asked before a transfer button does anything (a transfer fills the grid);
  // false leaves everything as it is.
  void SetStartGuard(std::function<bool()> guard) { startGuard_ = std::move(guard); }

  // What a worker's calls become on the window thread.
  // The transfer has ended (its port closed): the progress timer stops, a download's
  // text goes to the data page, the status box and the progress line get the final
  // state and the transfer's message is shown.
  void OnTransferEnded(const TransferResult& result);
  // Row SentLineCount of the data page shows LastSentLine.
  void ShowSentLine(const SentRecord& record);
  void ShowProgress(const TransferProgress& progress);
  // A message box: the tool's text, and beneath it `detail` when there is one.
  void ShowTransferMessage(const std::string& text, bool exclamation, const std::string& detail);
  // The file-open dialog of the USB code upload: the path's bytes, empty when cancelled.
  std::string ChooseCodeFile();

 signals:
  void downloadComplete(const QByteArray& text);
  void recordSent(quint16 sentLineCount, const QByteArray& record);
  void codeSent(quint16 sentLineCount, const QByteArray& code);

 public slots:
  // One tick of the 500 ms progress timer.
  void OnProgressTimer();

 protected:
  using EngineMaker = std::function<std::unique_ptr<ITransferEngine>(const TransferContext&)>;

  enum class Kind { Download, Upload };

  virtual void ButtonPressed(int index) = 0;
  // The status text for what has been received so far.
  virtual QString ProgressText() = 0;

  TransferLink& Link() { return context_.Link(); }
  // What the running (or last) transfer has moved so far.
  TransferProgress Progress();
  // What every transfer button does first: the running transfer is told to end (it
  // ends on its worker; the window does not wait for it).
  void EndRunningTransfer();
  // Runs the engine on the worker, with the page's progress timer for a download.
  void StartTransfer(const EngineMaker& make, Kind kind);
  // The layout of the file to upload: the first braces of the dialog's answer when
  // it has them besides the path, else the one stored for uploads.
  int UploadTypeFrom(std::string_view answer) const;

  GuiContext& context_;

 private:
  // The final state: done, stopped after N of M (or N lines), failed and why.
  QString FinalState(const TransferResult& result) const;
  void StopPressed();

  ButtonCaption captions_[3];
  QPushButton* buttons_[3];
  QPushButton* stop_;
  QLabel* progress_;
  Kind kind_ = Kind::Download;
  TransferProgress lastProgress_;
  QPlainTextEdit* status_;
  // The caption line above the status box: what its number counts.
  QLabel* statusCaption_;
  QTimer timer_;
  QString statusRaw_;
  std::function<bool()> startGuard_;
};

class CComPage final : public TransferPage {
  Q_OBJECT
 public:
  explicit CComPage(GuiContext& context, QWidget* parent = nullptr);

 protected:
  void ButtonPressed(int index) override;
  QString ProgressText() override;

 private:
  void Download();
  void Upload();
  void SendCode();
  // The stored line settings and the device behind the stored port, for the
  // transfer to open on its worker.
  PortRequest PortToOpen(bool localizedMessage);
};

class CUsbPage final : public TransferPage {
  Q_OBJECT
 public:
  explicit CUsbPage(GuiContext& context, QWidget* parent = nullptr);

 protected:
  void ButtonPressed(int index) override;
  QString ProgressText() override;

 private:
  void Download();
  void UploadCoordinates();
  void UploadCodes();
};

}  // namespace corvane::gui
