#pragma once
// The terminal settings CSerialPort gives a line: raw bytes both ways, the bit
// rate, data bits, parity and stop bits; the hardware flow control the driver
// reports is kept.
#include <termios.h>

namespace corvane {

// False (settings untouched) for a bit rate the line does not offer.
bool ConfigureLine(termios& tio, int baud, int dataBits, int parity, int stopBits);

}  // namespace corvane
