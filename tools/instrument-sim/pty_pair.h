#pragma once
// A pseudo-terminal pair in raw mode: the instrument works on the master side, the
// PC program opens the slave device.
#include <string>

namespace corvane::sim {

struct PtyPair {
  int master = -1;
  // Kept open so the line stays up while the PC program closes and reopens it.
  int slave = -1;
  std::string slavePath;
};

bool OpenPtyPair(PtyPair& pair, std::string* reason);
void ClosePtyPair(PtyPair& pair);

}  // namespace corvane::sim
