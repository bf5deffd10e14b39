#pragma once
// What every use of GDAL here shares: the drivers registered once, and GDAL's
// messages caught while an operation runs (instead of printed) so the command can
// say what went wrong.
#include <string>
#include <vector>

namespace corvane::exchange {

// Registers GDAL's drivers (once per process).
void EnsureGdal();
// Registers the one driver of that name (when not every driver is yet), for a
// writer that knows what it needs. False when GDAL has no such driver.
bool EnsureGdalDriver(const char* name);

// Collects GDAL's errors and warnings raised on this thread while it lives.
class GdalMessages final {
 public:
  GdalMessages();
  ~GdalMessages();
  GdalMessages(const GdalMessages&) = delete;
  GdalMessages& operator=(const GdalMessages&) = delete;

  // The last error (or, without one, the last warning); empty when none.
  std::string Last() const;
  // A warning that a value was cut or not written (a field too narrow).
  bool ValueLost() const { return valueLost_; }
  bool Failed() const { return !error_.empty(); }
  void Clear();
  // What GDAL's handler hands over (level: CPLErr).
  void Record(int level, const char* text);

 private:
  std::string error_;
  std::string warning_;
  bool valueLost_ = false;
};

}  // namespace corvane::exchange
