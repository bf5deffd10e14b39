#pragma once
// The USB library's transport to the simulated instrument: one connection to its
// local socket per call (frames in usb_sim_wire.h).
#include <string>

namespace corvane::usb {

// op: usbwire::kWrite or usbwire::kRead. The simulator's result, or -1 when it
// cannot be reached or does not answer in time (why in `reason`).
int SimCall(const char* socketPath, unsigned char op, int channel, const unsigned char* out, unsigned char* in,
            int count, int timeoutMs, std::string* reason = nullptr);

}  // namespace corvane::usb
