#include "core/text/codepage.h"

#include <iconv.h>

#include <cerrno>

namespace corvane {
namespace {

// Converts with iconv, replacing what cannot be converted by `bad` and skipping
// one input byte (or one character) at a time.
std::string Convert(const char* to, const char* from, std::string_view in, std::string_view bad, size_t skip) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.reserve(in.size() * 3 / 2 + 8);
  char* inp = const_cast<char*>(in.data());
  size_t inleft = in.size();
  char buf[4096];
  while (inleft > 0) {
    char* outp = buf;
    size_t outleft = sizeof buf;
    size_t r = iconv(cd, &inp, &inleft, &outp, &outleft);
    out.append(buf, static_cast<size_t>(outp - buf));
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: mark and step over the offending byte(s).
      out.append(bad);
      size_t step = skip;
      if (skip == 0) {  // UTF-8 input: skip the whole character when it is well formed
        unsigned char c = static_cast<unsigned char>(*inp);
        step = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      }
      if (step > inleft) step = inleft;
      inp += step;
      inleft -= step;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  // Plain ASCII needs no conversion (the common case for cells).
  bool ascii = true;
  for (unsigned char c : gbk)
    if (c >= 0x80) { ascii = false; break; }
  if (ascii) return std::string(gbk);
  return Convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD", 1);
}

std::string Utf8ToGbk(std::string_view utf8) {
  bool ascii = true;
  for (unsigned char c : utf8)
    if (c >= 0x80) { ascii = false; break; }
  if (ascii) return std::string(utf8);
  return Convert("GBK", "UTF-8", utf8, "?", 0);
}

}  // namespace corvane
