#pragma once
// The line a download is about to use, as the download dialog shows it.
#include <QString>

#include "core/link/transfer_pages.h"
#include "corvanedlg/corvane_dll.h"

namespace corvanedlg {

// "COM1: /dev/ttyS0" and "9600 bit/s, 8 data bits, no parity, 1 stop bit".
CORVANEDLG_API QString DownloadLineText(const corvane::LineSettings& line, const QString& device);

}  // namespace corvanedlg
