#include "core/link/transfer_texts.h"

#include <cerrno>

#include "core/link/device_holder.h"
#include "core/text/codepage.h"
#include "core/text/numbers.h"
#include "core/text/text_file.h"

namespace corvane {
namespace {

bool English(int languageIndex) { return languageIndex == 1; }

// Fixed local texts, each turned into GBK once.
template <const char* Utf8>
const std::string& Local() {
  static const std::string text = Utf8ToGbk(Utf8);
  return text;
}
constexpr char kSentOk[] = "发送完成";
constexpr char kConnectTimeout[] = "连接超时";
constexpr char kCreateFileFailed[] = "创建文件失败";
constexpr char kFirstTimeout[] = "第一个请求连接超时";
constexpr char kSecondTimeout[] = "第二个请求连接超时";

}  // namespace

std::string TransferTexts::Uploading() { return "\r\n   Uploading"; }

std::string TransferTexts::SentOk(int languageIndex) {
  return English(languageIndex) ? "\r\n    Sent OK" : "\r\n  " + Local<kSentOk>();
}

std::string TransferTexts::Waiting() { return "\r\n    Waiting:"; }

std::string TransferTexts::LinesReceived(long long count) { return "\r\n       " + FormatInt(count); }

std::string TransferTexts::UsbFinished() { return "\r\n  Finished"; }
std::string TransferTexts::UsbCoordinatesSent() { return "\r\n  sent ok!"; }
std::string TransferTexts::UsbCodesSent() { return "\r\n  sent ok"; }

std::string TransferTexts::PortOpenFailed(int comNumber, int languageIndex, bool localized, const std::string& device,
                                          int error) {
  const bool english = English(languageIndex) || !localized;
  std::string text = english ? "COM" + FormatInt(comNumber) + " doesn't exist or be\nopened by another program!"
                             : Utf8ToGbk("串口" + FormatInt(comNumber) + "不存在或已经被其它程序占用");
  text += "\n" + device + ": " + (error ? SystemErrorText(error) : std::string("cannot be opened"));
  if (error == EACCES || error == EPERM)
    text += english ? " (the user must be in the 'dialout' group: sudo usermod -aG dialout $USER, then log in again)"
                    : Utf8ToGbk("（用户须属于 dialout 组：sudo usermod -aG dialout $USER，然后重新登录）");
  // A busy port: name who holds it when that can be seen (ModemManager probing a
  // new ACM device, a terminal program left open).
  if (error == EBUSY) {
    const std::string holders = DeviceHoldersText(FindDeviceHolders(device));
    if (!holders.empty()) text += (english ? " (in use by " : Utf8ToGbk("（正在使用：")) + holders + (english ? ")" : Utf8ToGbk("）"));
  }
  return text;
}

std::string TransferTexts::DownloadConnectTimeout() { return Local<kConnectTimeout>(); }

std::string TransferTexts::DownloadConnectTimeoutNote(int languageIndex) {
  return English(languageIndex) ? "Connection timed out: the instrument did not answer the download request." : "";
}

std::string TransferTexts::CreateFileFailed(int languageIndex) {
  return English(languageIndex) ? "Creat file failed" : Local<kCreateFileFailed>();
}

std::string TransferTexts::FirstRequestTimeout(int languageIndex) {
  return English(languageIndex) ? "Connect over time1" : Local<kFirstTimeout>();
}

std::string TransferTexts::SecondRequestTimeout(int languageIndex) {
  return English(languageIndex) ? "Connect over time1" : Local<kSecondTimeout>();
}

std::string TransferTexts::CodeRequestTimeout() { return "Connect over time"; }
std::string TransferTexts::NoResponse() { return "The totalstation didn't response!"; }
std::string TransferTexts::OpenFileFailed() { return "Open file failed!"; }

std::string TransferTexts::LinkLost(int languageIndex, const std::string& why) {
  if (English(languageIndex))
    return "The connection to the instrument was lost (" + why + ").\nThe transfer has stopped and the port is closed.";
  return Utf8ToGbk("与仪器的连接已断开（") + why + Utf8ToGbk("）。\n传输已停止，串口已关闭。");
}

std::string TransferTexts::DownloadSilent(int languageIndex, int seconds, size_t bytesKept) {
  const std::string s = FormatInt(seconds), n = FormatInt(static_cast<long long>(bytesKept));
  if (English(languageIndex))
    return "The instrument stopped sending before the end of the data (nothing for " + s + " s).\nThe " + n +
           " bytes received have been kept.";
  return Utf8ToGbk("仪器在数据结束前停止发送（" + s + " 秒无数据）。\n已保留收到的 " + n + " 字节。");
}

std::string TransferTexts::UsbReceiveFailed(size_t bytesKept) {
  return "The USB link failed while receiving.\nThe " + FormatInt(static_cast<long long>(bytesKept)) +
         " bytes received have been kept.";
}

std::string TransferTexts::UsbWriteFailed(unsigned lineNumber) {
  return "Write data failed! Line " + FormatInt(lineNumber) + " did not reach the instrument.";
}

std::string TransferTexts::UsbAcknowledgementFailed() {
  return "The instrument did not take the acknowledgement of its ready reply: nothing was received.";
}

}  // namespace corvane
