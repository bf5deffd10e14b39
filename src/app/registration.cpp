#include "registration.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "core/text/durable_file.h"

namespace corvane::app {
namespace {

const char* const kDesktopName = "corvane480.desktop";
const char* const kMimeName = "corvane480-kvm.xml";

QString DesktopFile(const QString& data) { return data + QStringLiteral("/applications/") + QLatin1String(kDesktopName); }
QString MimeFile(const QString& data) { return data + QStringLiteral("/mime/packages/") + QLatin1String(kMimeName); }

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  return WriteFileDurably(QFile::encodeName(path).toStdString(), std::string_view(bytes.constData(), bytes.size()));
}

bool RemoveFile(const QString& path) { return !QFile::exists(path) || QFile::remove(path); }

// Lets the desktop notice the change; quietly skipped where the tools are missing.
void RefreshDesktopDatabases(const QString& data) {
  const QString mimeTool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
  if (!mimeTool.isEmpty()) QProcess::execute(mimeTool, {data + QStringLiteral("/mime")});
  const QString desktopTool = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
  if (!desktopTool.isEmpty()) QProcess::execute(desktopTool, {data + QStringLiteral("/applications")});
}

// Quotes an argument of a desktop entry's Exec line.
QString ExecQuoted(QString path) {
  path.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
  path.replace(QLatin1Char('"'), QStringLiteral("\\\""));
  return QLatin1Char('"') + path + QLatin1Char('"');
}

}  // namespace

StartSwitch ParseStartSwitches(const QStringList& args) {
  StartSwitch result = StartSwitch::None;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& token = args[i];
    if (token.size() < 2 || (token[0] != QLatin1Char('-') && token[0] != QLatin1Char('/'))) continue;
    const QString name = token.mid(1);
    if (name.compare(QLatin1String("RegServer"), Qt::CaseInsensitive) == 0) result = StartSwitch::Register;
    else if (name.compare(QLatin1String("UnregServer"), Qt::CaseInsensitive) == 0) result = StartSwitch::Unregister;
    else if (name.compare(QLatin1String("Embedding"), Qt::CaseInsensitive) == 0 ||
             name.compare(QLatin1String("Automation"), Qt::CaseInsensitive) == 0)
      if (result == StartSwitch::None) result = StartSwitch::Embedded;
  }
  return result;
}

QString UserDataFolder() {
  const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
  if (!xdg.isEmpty()) return xdg;
  return QDir::homePath() + QStringLiteral("/.local/share");
}

bool RegisterDesktopEntry(const QString& dataFolder, const QString& executable, const QString& iconPath) {
  const QByteArray entry = QStringLiteral(
                               "[Desktop Entry]\n"
                               "Type=Application\n"
                               "Name=Corvane480\n"
                               "Comment=Survey jobs between the PC and KVM480/PLN480 total stations\n"
                               "Exec=%1 %f\n"
                               "Icon=%2\n"
                               "Terminal=false\n"
                               "Categories=Science;Geoscience;\n"
                               "MimeType=application/x-corvane-kvm;\n"
                               "Actions=demo;\n"
                               "\n"
                               "[Desktop Action demo]\n"
                               "Name=Try with the simulated instrument\n"
                               "Exec=%1 --demo\n")
                               .arg(ExecQuoted(executable), iconPath)
                               .toUtf8();
  const QByteArray mime =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
      "  <mime-type type=\"application/x-corvane-kvm\">\n"
      "    <comment>Survey job</comment>\n"
      "    <glob pattern=\"*.kvm\"/>\n"
      "  </mime-type>\n"
      "</mime-info>\n";
  const bool ok = WriteFile(DesktopFile(dataFolder), entry) && WriteFile(MimeFile(dataFolder), mime);
  RefreshDesktopDatabases(dataFolder);
  return ok;
}

bool UnregisterDesktopEntry(const QString& dataFolder) {
  const bool ok = RemoveFile(DesktopFile(dataFolder)) && RemoveFile(MimeFile(dataFolder));
  RefreshDesktopDatabases(dataFolder);
  return ok;
}

}  // namespace corvane::app
