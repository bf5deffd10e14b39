#pragma once
// The PC's serial line to the instrument: what the transfer engines use
// (ISerialPort) and the termios port behind it (CSerialPort).
#include <cstdint>
#include <string>

#include "core/link/line_pacing.h"

namespace corvane {

// The line a serial transfer uses: the stored list indexes turned into parameters.
struct LineSettings {
  int comNumber = 1;  // COM1 is 1
  int baud = 9600;
  int dataBits = 8;
  int parity = 0;    // 0 none, 1 odd, 2 even
  int stopBits = 0;  // 0 one, 1 one and a half (sent as two), 2 two
};

// What a transfer needs from a serial line. CSerialPort implements it on a device;
// tests use a scripted port.
class ISerialPort {
 public:
  virtual ~ISerialPort() = default;
  // Opens the device with the line's settings; true at once when already open. On
  // failure OpenError() is the system's error number.
  virtual bool OpenLine(const std::string& devicePath, const LineSettings& line) = 0;
  virtual int OpenError() const = 0;
  virtual bool IsOpen() const = 0;
  // Always true; closing a closed port does nothing.
  virtual bool Close() = 0;
  // Sends the bytes one by one. A byte counts as sent once it has left the PC: the
  // driver's output queue is empty and its character time has passed, at most
  // 1000 ms. Returns the number of bytes that went out (0 when closed or count <= 0).
  // A byte that cannot go out ends the write and leaves LinkFault() set.
  virtual int Write(const void* data, int count) = 0;
  // Copies at most `limit` bytes that have already arrived; never waits. 0 when
  // nothing has arrived or the port is closed.
  virtual int Read(void* buffer, int limit) = 0;
  // Empties the receive queue and, when that worked, the transmit queue.
  virtual void Purge() = 0;
  // Waits until input is there or `ms` have passed; used between empty reads so a
  // waiting transfer does not spin.
  virtual void WaitForInput(int ms) = 0;
  // Empty while the line works. Once the device has gone (unplugged adapter, hang-up,
  // EIO/ENXIO) or a byte could not be sent within 1000 ms: why, with the device path.
  virtual std::string LinkFault() const = 0;
};

// Index-to-parameter tables of the settings page lists.
int PortFromIndex(int index);      // index + 1: index 0 is COM1
int BaudFromIndex(int index);      // 1200 ... 115200; anything else 9600
int DataBitsFromIndex(int index);  // 0 -> 8, 1 -> 7, else 8
int LineCodeFromIndex(int index);  // 0, 1, 2; else 0 (stop bits: 1, 1.5, 2; parity: none, odd, even)

// A serial device opened exclusively in raw mode. Not thread-safe: one transfer
// worker uses it at a time.
class CSerialPort final : public ISerialPort {
 public:
  CSerialPort() = default;
  ~CSerialPort() override;
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;

  // parity: 0 none, 1 odd, 2 even; stopBits: 0 one, 1 one and a half (sent as two,
  // the nearest a POSIX line offers), 2 two. True at once when already open (the
  // arguments are then ignored). On failure OpenError() tells the system's error.
  bool Open(const std::string& devicePath, int baud, int dataBits, int parity, int stopBits);
  bool OpenLine(const std::string& devicePath, const LineSettings& line) override {
    return Open(devicePath, line.baud, line.dataBits, line.parity, line.stopBits);
  }
  int OpenError() const override { return openError_; }
  const std::string& DevicePath() const { return path_; }

  bool IsOpen() const override { return open_; }
  bool Close() override;
  int Write(const void* data, int count) override;
  int Read(void* buffer, int limit) override;
  void Purge() override;
  void WaitForInput(int ms) override;
  std::string LinkFault() const override { return fault_; }
  // How long one byte takes on the open line.
  int64_t CharacterNs() const { return characterNs_; }

 private:
  void MarkLost(const std::string& why);
  // Bytes the driver still holds for the line; -1 once the device has gone.
  int OutputQueued();
  int fd_ = -1;
  int64_t characterNs_ = 0;
  int64_t lastWentInNs_ = 0;  // when the last byte written went into the driver
  SteadyLineTime time_;
  bool open_ = false;
  int openError_ = 0;
  std::string path_;
  std::string fault_;
};

}  // namespace corvane
