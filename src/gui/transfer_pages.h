#pragma once
// The two transfer pages of the data page's inner tab: RS-232 (CComPage) and USB
// (CUsbPage). Each has three buttons (download, coordinate upload, code upload)
// and a status box that a 500 ms timer fills with the number of lines received.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

#include "gui/gui_context.h"

namespace corvane::gui {

// The status text of the RS-232 page for what has been received so far.
QString SerialProgressText(std::string_view received);
// The USB page's: keeps `previous` while fewer than two line ends have come.
QString UsbProgressText(std::string_view received, const QString& previous);

class TransferPage : public QWidget {
  Q_OBJECT
 public:
  struct ButtonCaption {
    const char* key;
    const char* def;
  };
  TransferPage(GuiContext& context, const ButtonCaption (&captions)[3], QWidget* parent);

  void ApplyCaptions();
  QPushButton* Button(int i) const { return buttons_[i]; }
  // The status text as set (CR LF kept).
  const QString& StatusText() const { return statusRaw_; }
  void SetStatusText(const QString& text);
  // Where the progress display takes its copy of the received text from.
  void SetReceiveSource(std::function<std::string()> source) { receiveSource_ = std::move(source); }
  QTimer& ProgressTimer() { return timer_; }

 public slots:
  // One tick of the 500 ms progress timer.
  void OnProgressTimer();

 protected:
  virtual QString ProgressText(std::string_view received) const = 0;
  GuiContext& context_;

 private:
  ButtonCaption captions_[3];
  QPushButton* buttons_[3];
  QPlainTextEdit* status_;
  QTimer timer_;
  std::function<std::string()> receiveSource_;
  QString statusRaw_;
};

class CComPage final : public TransferPage {
  Q_OBJECT
 public:
  CComPage(GuiContext& context, QWidget* parent = nullptr);

 protected:
  QString ProgressText(std::string_view received) const override { return SerialProgressText(received); }
};

class CUsbPage final : public TransferPage {
  Q_OBJECT
 public:
  CUsbPage(GuiContext& context, QWidget* parent = nullptr);

 protected:
  QString ProgressText(std::string_view received) const override;
};

}  // namespace corvane::gui
