#pragma once
// CAboutDlg: the about box, with the picture from the program folder and the
// texts of the caption file.
#include <QDialog>

#include "gui/gui_context.h"

class QLabel;

namespace corvane::gui {

class CAboutDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(const GuiContext& context, QWidget* parent = nullptr);
  QLabel* Picture() const { return picture_; }
  QLabel* UsedFor() const { return usedFor_; }
  QLabel* Instruments() const { return instruments_; }

 private:
  QLabel* picture_;
  QLabel* usedFor_;
  QLabel* instruments_;
};

}  // namespace corvane::gui
