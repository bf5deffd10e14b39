#pragma once
// corvane480 --demo: the program against the simulated instrument of its program
// folder, as scripts/run --demo runs it from the source tree. The instrument
// serves the demo job on a pseudo-terminal (COM1 of a settings folder of the
// session's own) and on the USB library's socket; the user's own settings stay
// untouched; the instrument stops with the program.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace corvane::app {

class DemoSession final {
 public:
  DemoSession() = default;
  // Stops the instrument; the session's folder goes.
  ~DemoSession();
  DemoSession(const DemoSession&) = delete;
  DemoSession& operator=(const DemoSession&) = delete;

  // Starts the instrument, writes the session's settings and points the program
  // at them (CORVANE_SETTINGS_DIR, CORVANE_USB_SIM, the working folder).
  // languageIndex: the captions the session starts with. False, with the reason,
  // when the demo cannot run.
  bool Start(int languageIndex, QString* error);

  // The pseudo-terminal the instrument answers on, and the demo's files.
  const QString& Device() const { return device_; }
  QString FilesFolder() const;

 private:
  QTemporaryDir folder_{QDir::tempPath() + QStringLiteral("/corvane-demo-XXXXXX")};
  std::unique_ptr<QProcess> instrument_;
  QString device_;
};

}  // namespace corvane::app
