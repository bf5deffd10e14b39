#pragma once
// Synthetic instrument jobs for benchmarks: a header, then set-ups of one station,
// one backsight and measured points, CR LF line ends.
#include <cstdio>
#include <string>

namespace corvane::bench {

// Writes a job of about `lines` lines with `setups` set-ups to the file; returns
// the number of bytes written, 0 on failure.
inline size_t WriteSyntheticJob(const std::string& path, long lines, long setups) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  size_t bytes = 0;
  auto put = [&](const char* text, int n) {
    std::fwrite(text, 1, static_cast<size_t>(n), f);
    bytes += static_cast<size_t>(n);
  };
  char buf[512];
  const char* header[] = {"ZAMO RECORD FILE\r\n", "Scale  :1.000000\r\n", "AnglUnit:dms     \r\n",
                          "U,NT,   File Head:,\r\n"};
  for (const char* h : header) put(h, static_cast<int>(std::string(h).size()));
  long written = 4;
  if (setups < 1) setups = 1;
  const long perSetup = (lines - written) / setups;
  for (long s = 0; s < setups && written < lines; ++s) {
    int n = std::snprintf(buf, sizeof buf,
                          "U,ST,%14s,%11.4f,%9.4f,%9.4f,%14.4f,%14.4f,%14.4f,%9.4f,%9.4f,%14s,%14s,####\r\n",
                          ("S" + std::to_string(s)).c_str(), 0.0, 0.0, 0.0, 1000.0 + s, 2000.0 + s, 100.0, 1.5, 0.0,
                          "STN", "");
    put(buf, n);
    n = std::snprintf(buf, sizeof buf,
                      "U,BS,%14s,%11.4f,%9.4f,%9.4f,%14.4f,%14.4f,%14.4f,%9.4f,%9.4f,%14s,%14s,####\r\n",
                      ("B" + std::to_string(s)).c_str(), 0.0, 0.0, 0.0, 1100.0 + s, 2000.0 + s, 101.0, 0.0, 0.0, "",
                      "");
    put(buf, n);
    written += 2;
    for (long p = 0; p + 2 < perSetup && written < lines; ++p, ++written) {
      const bool dp = p % 5 != 4;
      n = std::snprintf(buf, sizeof buf,
                        "U,%s,%14s,%11.4f,%9.4f,%9.4f,%14.4f,%14.4f,%14.4f,%9.4f,%9.4f,%14s,%14s,####\r\n",
                        dp ? "DP" : "MP", ("P" + std::to_string(written)).c_str(), 10.0 + (p % 97), (p * 7 % 360) + 0.3015,
                        85.0 + (p % 10) + 0.1, dp ? 0.0 : 500.0 + p, dp ? 0.0 : 600.0 + p, dp ? 0.0 : 50.0, 0.0, 1.5,
                        "CODE", "");
      put(buf, n);
    }
  }
  std::fclose(f);
  return bytes;
}

}  // namespace corvane::bench
