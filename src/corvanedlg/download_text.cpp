#include "corvanedlg/download_text.h"

#include "corvanedlg/option_dialog.h"

namespace corvanedlg {

QString DownloadLineText(const corvane::LineSettings& line, const QString& device) {
  const QString parity = line.parity == 1   ? Tr("odd parity", "奇校验")
                         : line.parity == 2 ? Tr("even parity", "偶校验")
                                            : Tr("no parity", "无校验");
  // A serial line on this system offers one or two stop bits: one and a half, when
  // stored, goes out as two, and the dialog says so.
  const QString stop = line.stopBits == 1   ? Tr("2 (1.5 stored; the line uses 2)", "2（设置为 1.5，线路使用 2）")
                       : line.stopBits == 2 ? QStringLiteral("2")
                                            : QStringLiteral("1");
  return QStringLiteral("COM%1: %2\n").arg(line.comNumber).arg(device) +
         Tr("%1 bit/s, %2 data bits, %3, %4 stop bit(s)", "%1 波特，%2 数据位，%3，%4 停止位")
             .arg(line.baud)
             .arg(line.dataBits)
             .arg(parity, stop);
}

}  // namespace corvanedlg
