#pragma once
// The frames between the USB library stand-in and the simulated instrument: one
// connection to a local socket per call. The socket's path comes from the
// environment variable CORVANE_USB_SIM.
//
// Request: 16-byte header, then for a write `count` bytes.
//   bytes 0-1  'C' 'U'
//   byte  2    'W' (write) or 'R' (read)
//   byte  3    0
//   bytes 4-7  channel, 8-11 count (the buffer size for a read), 12-15 time-out in
//              ms; each a 32-bit integer in the machine's byte order
// Reply: a 32-bit result, then for a read with a result above 0 that many bytes.
#include <cstdint>
#include <cstring>

namespace corvane::usbwire {

inline constexpr char kSocketVariable[] = "CORVANE_USB_SIM";
inline constexpr int kHeaderSize = 16;
inline constexpr unsigned char kWrite = 'W';
inline constexpr unsigned char kRead = 'R';
// Larger frames are refused: no call of the transfers comes near it.
inline constexpr int32_t kMaxCount = 1 << 20;

struct Header {
  unsigned char op = 0;
  int32_t channel = 0;
  int32_t count = 0;
  int32_t timeoutMs = 0;
};

inline void EncodeHeader(const Header& h, unsigned char (&out)[kHeaderSize]) {
  out[0] = 'C';
  out[1] = 'U';
  out[2] = h.op;
  out[3] = 0;
  std::memcpy(out + 4, &h.channel, 4);
  std::memcpy(out + 8, &h.count, 4);
  std::memcpy(out + 12, &h.timeoutMs, 4);
}

inline bool DecodeHeader(const unsigned char (&in)[kHeaderSize], Header& h) {
  if (in[0] != 'C' || in[1] != 'U' || (in[2] != kWrite && in[2] != kRead)) return false;
  h.op = in[2];
  std::memcpy(&h.channel, in + 4, 4);
  std::memcpy(&h.count, in + 8, 4);
  std::memcpy(&h.timeoutMs, in + 12, 4);
  return h.count >= 0 && h.count <= kMaxCount;
}

}  // namespace corvane::usbwire
