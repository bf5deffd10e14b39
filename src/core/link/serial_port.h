#pragma once
// The PC's serial line to the instrument: what the transfer engines use
// (ISerialPort) and the termios port behind it (CSerialPort).
#include <string>

namespace corvane {

// What a transfer needs from a serial line. CSerialPort implements it on a device;
// tests use a scripted port.
class ISerialPort {
 public:
  virtual ~ISerialPort() = default;
  virtual bool IsOpen() const = 0;
  // Always true; closing a closed port does nothing.
  virtual bool Close() = 0;
  // Sends the bytes one by one, each waiting at most 1000 ms for the line. Returns
  // the number of bytes that went out (0 when closed or count <= 0). A byte that
  // cannot go out ends the write and leaves LinkFault() set.
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
  int OpenError() const { return openError_; }
  const std::string& DevicePath() const { return path_; }

  bool IsOpen() const override { return open_; }
  bool Close() override;
  int Write(const void* data, int count) override;
  int Read(void* buffer, int limit) override;
  void Purge() override;
  void WaitForInput(int ms) override;
  std::string LinkFault() const override { return fault_; }

 private:
  void MarkLost(const std::string& why);
  int fd_ = -1;
  bool open_ = false;
  int openError_ = 0;
  std::string path_;
  std::string fault_;
};

}  // namespace corvane
