#pragma once
// What the desktop program remembers of itself between runs, beside the user's
// settings: the window's size and place, the splitter, the recently opened
// jobs. A file of its own, so the settings store keeps exactly its documented
// values.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace corvane::gui {

class DesktopState final {
 public:
  static constexpr int kRecentJobs = 8;
  // The file beside the user's settings file.
  explicit DesktopState(QString file) : file_(std::move(file)) {}

  // Newest first; files that are gone are still listed (Open says so).
  QStringList RecentJobs() const;
  void AddRecentJob(const QString& path);

  QByteArray Value(const QString& key) const;
  void SetValue(const QString& key, const QByteArray& value);
  const QString& File() const { return file_; }

 private:
  QString file_;
};

}  // namespace corvane::gui
