#pragma once
// The job's coordinate reference system on the settings page: "Crs" under
// "OtherSet", typed as an EPSG code or any definition PROJ accepts, with a
// search of PROJ's database by code or name and the CRS's name beside it.
// Empty means a local grid.
#include <QGroupBox>

#include "gui/gui_context.h"

class QCompleter;
class QLabel;
class QLineEdit;

namespace corvane::gui {

class CrsBox final : public QGroupBox {
  Q_OBJECT
 public:
  explicit CrsBox(GuiContext& context, QWidget* parent = nullptr);

  // Captions, the stored value and its name.
  void Load();
  QLineEdit* Edit() const { return edit_; }
  QLabel* NameLabel() const { return name_; }
  QCompleter* Completer() const { return completer_; }
  // Checks the text and stores it when PROJ knows it; a message otherwise.
  void Store();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowName(const QString& definition);
  void FillSearch();

  GuiContext& context_;
  QLabel* label_;
  QLineEdit* edit_;
  QLabel* name_;
  QCompleter* completer_;
  bool searchFilled_ = false;
};

}  // namespace corvane::gui
