#pragma once
// The choice of layout A or B of the distance exports.
#include <QDialog>

#include "corvanedlg/corvane_dll.h"

class QRadioButton;

namespace corvanedlg {

class CORVANEDLG_API ConfirmDialog final : public QDialog {
  Q_OBJECT
 public:
  ConfirmDialog(const QString& title, const QString& memoryKey, QWidget* parent = nullptr);
  // 0 layout A, 1 layout B.
  int Choice() const;
  void SetChoice(int choice);
  void accept() override;

 private:
  QString memoryKey_;
  QRadioButton* a_;
  QRadioButton* b_;
};

}  // namespace corvanedlg
