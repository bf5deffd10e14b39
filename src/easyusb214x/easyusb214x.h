#pragma once
// The USB transfer library: two calls, each with a channel number, a buffer, a byte
// count and a time-out in milliseconds.
//
// The link goes to the simulated instrument when CORVANE_USB_SIM names its socket.
// No device transport is configured otherwise: every call then fails (-1), so the
// program asks the user to turn the instrument on and connect it.

#ifdef __cplusplus
extern "C" {
#endif

// Number of bytes written (the whole count when the instrument took them); -1 when
// no instrument is reachable.
__attribute__((visibility("default"))) int WriteData214x(int channel, const unsigned char* data, int count,
                                                          int timeoutMs);
// Number of bytes placed in the buffer: > 0 data, 0 nothing within the time-out,
// < 0 failure.
__attribute__((visibility("default"))) int ReadData214x(int channel, unsigned char* buffer, int size, int timeoutMs);

#ifdef __cplusplus
}
#endif
