#pragma once
// The transfer messages and status texts. languageIndex 1 is English, anything
// else the local language (GBK bytes).
#include <string>

namespace corvane {

struct TransferTexts {
  // Status box of the transfer pages.
  static std::string Uploading();                    // "\r\n   Uploading"
  static std::string SentOk(int languageIndex);      // "\r\n    Sent OK" / local
  static std::string Waiting();                      // "\r\n    Waiting:"
  static std::string LinesReceived(long long count); // "\r\n       %d"
  static std::string UsbFinished();                  // "\r\n  Finished"
  static std::string UsbCoordinatesSent();           // "\r\n  sent ok!"
  static std::string UsbCodesSent();                 // "\r\n  sent ok"

  // "COM%d doesn't exist ..."; the local form only where `localized` (the
  // coordinate upload). A second line names the device and the system's reason.
  static std::string PortOpenFailed(int comNumber, int languageIndex, bool localized, const std::string& device,
                                    int error);

  static std::string DownloadConnectTimeout();       // the same in both languages
  // The line an English session shows beneath it; empty in the local language.
  static std::string DownloadConnectTimeoutNote(int languageIndex);
  static std::string CreateFileFailed(int languageIndex);
  static std::string FirstRequestTimeout(int languageIndex);
  static std::string SecondRequestTimeout(int languageIndex);
  static std::string CodeRequestTimeout();           // "Connect over time"
  static std::string NoResponse();                   // "The totalstation didn't response!"
  static std::string OpenFileFailed();               // "Open file failed!"

  // The USB transfers' messages, English in both caption languages.
  static constexpr const char* kUsbTurnOnDownload = "Turn on the Instrument and connect it to PC with USB line";
  static constexpr const char* kUsbTurnOnUpload = "Turn on the Instrument and connect it to PC with USB line!";
  static constexpr const char* kUsbReadyFailed = "Connection failed1";
  static constexpr const char* kUsbNotReady = "Connection failed2";
  static constexpr const char* kUsbNoFirstReply = "Connect failed1!";
  static constexpr const char* kUsbAskRefused = "Ask for download failed!";
  static constexpr const char* kUsbFileNameFailed = "Send file name failed!";
  static constexpr const char* kUsbNoSecondReply = "Connect failed!";
  static constexpr const char* kUsbCreateFileFailed = "Creat file failed!";
  static constexpr const char* kUsbCodeNoReply = "Connected failed!";
  static constexpr const char* kUsbCoordinateEndFailed = "Write END failed!";
  static constexpr const char* kUsbCodeEndFailed = "Write END failed";

  // Endings a real line needs besides the documented ones.
  static std::string LinkLost(int languageIndex, const std::string& why);
  static std::string DownloadSilent(int languageIndex, int seconds, size_t bytesKept);
  static std::string UsbReceiveFailed(size_t bytesKept);
  static std::string UsbWriteFailed(unsigned lineNumber);
  static std::string UsbAcknowledgementFailed();
};

}  // namespace corvane
