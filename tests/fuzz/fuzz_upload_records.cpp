// Upload records for every layout: 76 bytes of five 14-byte fields joined by
// commas and ending CR LF, or nothing with the too-long message; other layouts
// hand back the cleaned line.
#include "core/grid/upload_record.h"
#include "core/text/text_helpers.h"
#include "fuzz_support.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  const bool enz = fuzz::TakeByte(line) & 1;
  for (int type = -1; type <= 9; ++type) {
    const UploadLineResult r = ConvertUploadLine(line, type, enz);
    if (r.record.empty() && !r.message.empty()) {
      FUZZ_CHECK(r.message.find("is too long(>14),will be drop!") != std::string::npos, "dropped without message");
      continue;
    }
    FUZZ_CHECK(r.message.empty(), "a message with a record");
    if (type < 0 || type > 6) {
      // Other layouts hand back the cleaned line: no quotes, no runs of blanks.
      FUZZ_CHECK(r.record.find('"') == std::string::npos, "a quote kept in a passed-through line");
      FUZZ_CHECK(r.record.find("  ") == std::string::npos, "a run of blanks kept in a passed-through line");
      continue;
    }
    FUZZ_CHECK(r.record.size() == 76, "a record that is not 76 bytes");
    FUZZ_CHECK(r.record.compare(74, 2, "\r\n") == 0, "a record that does not end CR LF");
    for (size_t p : {14, 29, 44, 59}) FUZZ_CHECK(r.record[p] == ',', "a field that is not 14 bytes");
    // The two orders only trade the plane coordinates.
    const UploadLineResult other = ConvertUploadLine(line, type, !enz);
    FUZZ_CHECK(other.record.substr(0, 15) == r.record.substr(0, 15) &&
                   other.record.substr(15, 15) == r.record.substr(30, 14) + "," &&
                   other.record.substr(45) == r.record.substr(45),
               "the coordinate orders differ beyond the plane coordinates");
  }
  return 0;
}
