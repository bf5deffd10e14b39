#pragma once
// The program's own viewer for the texts it writes in its code page (GBK): the
// recompute's report with local captions, lists with Chinese point names. The
// desktop's editors read UTF-8 and would show such a file as garbage.
#include <QByteArray>
#include <QDialog>
#include <QString>

class QPlainTextEdit;

namespace corvane::gui {

// True when the file's first megabyte holds bytes that are neither ASCII nor
// UTF-8 (DXF drawings excepted: they name their own code page). `bytes` gets the
// whole file then.
bool NeedsGbkViewer(const QString& path, QByteArray* bytes);

class TextFileViewer final : public QDialog {
  Q_OBJECT
 public:
  // Shows `bytes` (GBK, CR LF) as the text of `path`; `closeText` labels the button.
  TextFileViewer(const QString& path, const QByteArray& bytes, const QString& closeText, QWidget* parent = nullptr);
  QPlainTextEdit* Text() const { return text_; }
  const QString& Path() const { return path_; }

 private:
  QString path_;
  QPlainTextEdit* text_;
};

}  // namespace corvane::gui
