#include "demo_mode.h"

#include <sys/prctl.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>

#include "core/settings/program_folder.h"

namespace corvane::app {
namespace {

QString ProgramFile(const QString& name) {
  return QFile::decodeName(QByteArray::fromStdString(ProgramFolder())) + QLatin1Char('/') + name;
}

bool WriteText(const QString& path, const QString& text) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) == text.toUtf8().size() &&
         f.flush();
}

}  // namespace

DemoSession::~DemoSession() {
  if (instrument_ && instrument_->state() != QProcess::NotRunning) {
    instrument_->terminate();
    if (!instrument_->waitForFinished(3000)) {
      instrument_->kill();
      instrument_->waitForFinished(1000);
    }
  }
}

QString DemoSession::FilesFolder() const { return folder_.filePath(QStringLiteral("files")); }

bool DemoSession::Start(int languageIndex, QString* error) {
  const QString simulator = ProgramFile(QStringLiteral("instrument-sim"));
  const QString samples = ProgramFile(QStringLiteral("demo"));
  if (!folder_.isValid()) {
    *error = QStringLiteral("No temporary folder for the demo: ") + folder_.errorString();
    return false;
  }
  if (!QFileInfo(simulator).isExecutable() || !QFileInfo::exists(samples + QStringLiteral("/job.kvm"))) {
    *error = QStringLiteral("The simulated instrument or the demo job is not installed in ") +
             QFile::decodeName(QByteArray::fromStdString(ProgramFolder()));
    return false;
  }
  // Fresh copies of the samples, and the folder the instrument record file's
  // index goes to (beside the files' folder).
  const QString files = FilesFolder();
  QDir().mkpath(files);
  QDir().mkpath(folder_.filePath(QStringLiteral("ZMOINDEX")));
  QDir().mkpath(folder_.filePath(QStringLiteral("received")));
  for (const QFileInfo& sample : QDir(samples).entryInfoList(QDir::Files)) {
    QFile::copy(sample.absoluteFilePath(), files + QLatin1Char('/') + sample.fileName());
    QFile(files + QLatin1Char('/') + sample.fileName()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  }

  const QString socket = folder_.filePath(QStringLiteral("usb.sock"));
  instrument_ = std::make_unique<QProcess>();
  instrument_->setProgram(simulator);
  instrument_->setArguments({QStringLiteral("--pty"), QStringLiteral("--usb"), socket, QStringLiteral("--job"),
                             files + QStringLiteral("/job.kvm"), QStringLiteral("--save-dir"),
                             folder_.filePath(QStringLiteral("received")), QStringLiteral("--baud"),
                             QStringLiteral("9600")});
  instrument_->setStandardErrorFile(folder_.filePath(QStringLiteral("instrument.log")));
  // The instrument ends with the program, even one that ends abruptly.
  instrument_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
  instrument_->start(QIODevice::ReadOnly);
  if (!instrument_->waitForStarted(5000)) {
    *error = QStringLiteral("The simulated instrument did not start: ") + instrument_->errorString();
    return false;
  }
  // It prints the pseudo-terminal's device first, then the USB socket.
  QStringList lines;
  while (lines.size() < 2 && instrument_->waitForReadyRead(5000))
    while (instrument_->canReadLine()) lines << QString::fromLocal8Bit(instrument_->readLine()).trimmed();
  device_ = lines.value(0);
  if (device_.isEmpty() || !QFileInfo::exists(device_)) {
    *error = QStringLiteral("The simulated instrument did not open its line.");
    return false;
  }

  const QString settings = folder_.filePath(QStringLiteral("settings"));
  const bool written =
      WriteText(settings + QStringLiteral("/ZAMO/Corvane.ini"),
                QStringLiteral("[OtherSet]\nlanguage=%1\nComtype=0\nInputdatatype=0\n[ComStatus]\nPort=0\nBaud=3\n"
                               "Character=0\nStopBit=0\nParity=0\n[Devices]\nCOM1=%2\n")
                    .arg(languageIndex)
                    .arg(device_)) &&
      // The option dialogs open in the demo's folder.
      WriteText(settings + QStringLiteral("/ZAMO/CorvaneDlg.ini"), QStringLiteral("[General]\nlastFolder=%1\n").arg(files));
  if (!written) {
    *error = QStringLiteral("The demo's settings could not be written in ") + settings;
    return false;
  }
  qputenv("CORVANE_SETTINGS_DIR", QFile::encodeName(settings));
  qputenv("CORVANE_USB_SIM", QFile::encodeName(socket));
  QDir::setCurrent(files);
  return true;
}

}  // namespace corvane::app
