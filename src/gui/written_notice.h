#pragma once
// The status bar's notice of the files a command has written: the full path
// (shortened in the middle when the bar is narrow, whole in the tooltip and for
// assistive technology) and an "Open folder" button.
#include <QStringList>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;

namespace corvane::gui {

class WrittenNotice final : public QWidget {
  Q_OBJECT
 public:
  explicit WrittenNotice(QWidget* parent = nullptr);
  // Captions: "Written:" and "Open folder".
  void SetCaptions(const QString& written, const QString& openFolder);
  void Show(const QStringList& paths);
  // What the notice shows in full ("" before anything was written).
  const QString& Text() const { return text_; }
  // The folder of the first file written.
  const QString& Folder() const { return folder_; }
  QPushButton* OpenFolderButton() const { return openFolder_; }

 signals:
  void openFolderRequested(const QString& folder);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();

  QLabel* label_;
  QPushButton* openFolder_;
  QString writtenCaption_;
  QStringList paths_;
  QString text_;
  QString folder_;
};

}  // namespace corvane::gui
