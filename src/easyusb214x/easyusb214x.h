#pragma once
// The USB transfer library: two calls, each with a channel number, a buffer, a byte
// count and a time-out in milliseconds.
//
// The link goes to the simulated instrument when CORVANE_USB_SIM names its socket,
// otherwise to the USB device named by section [Usb] of the settings (VendorId,
// ProductId, optional Serial, Endpoints). When that device cannot be reached every
// call fails (-1), so the program asks the user to turn the instrument on and
// connect it; LastError214x tells why.

#ifdef __cplusplus
extern "C" {
#endif

// Number of bytes written (the whole count when the instrument took them); -1 when
// no instrument is reachable. No call throws.
__attribute__((visibility("default"))) int WriteData214x(int channel, const unsigned char* data, int count,
                                                          int timeoutMs);
// Number of bytes placed in the buffer: > 0 data, 0 nothing within the time-out,
// < 0 failure.
__attribute__((visibility("default"))) int ReadData214x(int channel, unsigned char* buffer, int size, int timeoutMs);

// Why the first failed call since the transfer began failed ("" while none has): a
// missing device, refused access (naming the udev rule and the fix), an unplugged
// cable, a simulator that cannot be reached, arguments the call refused... Every
// -1 (and every write that took less than its count) has its reason here. Valid
// until the calling thread's next call of LastError214x.
__attribute__((visibility("default"))) const char* LastError214x(void);
// The transfer has ended: releases the USB device now (it is released anyway when
// no call has come for a few seconds and no bytes are held over), forgets the
// failure; the next call opens the device again.
__attribute__((visibility("default"))) void Close214x(void);

#ifdef __cplusplus
}
#endif
