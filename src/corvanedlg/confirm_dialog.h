#pragma once
// The choice of layout A or B of the distance exports, each explained with the
// lines it writes.
#include <QDialog>

#include "corvanedlg/corvane_dll.h"

class QLabel;
class QRadioButton;

namespace corvanedlg {

enum class DistanceList { Horizontal, Slope };

class CORVANEDLG_API ConfirmDialog final : public QDialog {
  Q_OBJECT
 public:
  ConfirmDialog(const QString& title, const QString& memoryKey, DistanceList list, QWidget* parent = nullptr);
  // 0 layout A, 1 layout B.
  int Choice() const;
  void SetChoice(int choice);
  // What the dialog says of layout 0 (A) or 1 (B).
  QString Explanation(int layout) const;
  void accept() override;

 private:
  QString memoryKey_;
  QRadioButton* a_;
  QRadioButton* b_;
  QLabel* explanations_[2];
};

}  // namespace corvanedlg
