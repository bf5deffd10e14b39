#include "corvanedlg/download_text.h"

#include "corvanedlg/option_dialog.h"

namespace corvanedlg {

QString DownloadLineText(const corvane::LineSettings& line, const QString& device) {
  static const char* const kStopBits[] = {"1", "1.5", "2"};
  const QString parity = line.parity == 1   ? Tr("odd parity", "奇校验")
                         : line.parity == 2 ? Tr("even parity", "偶校验")
                                            : Tr("no parity", "无校验");
  const QString stop = QString::fromLatin1(kStopBits[line.stopBits >= 0 && line.stopBits < 3 ? line.stopBits : 0]);
  return QStringLiteral("COM%1: %2\n").arg(line.comNumber).arg(device) +
         Tr("%1 bit/s, %2 data bits, %3, %4 stop bit(s)", "%1 波特，%2 数据位，%3，%4 停止位")
             .arg(line.baud)
             .arg(line.dataBits)
             .arg(parity, stop);
}

}  // namespace corvanedlg
