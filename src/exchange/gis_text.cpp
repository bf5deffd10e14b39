#include "exchange/gis_text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace corvane::exchange {
namespace {

constexpr unsigned kEscapeBase = 0xF700;

void AppendUtf8(std::string& out, unsigned cp) {
  out += static_cast<char>(0xE0 | (cp >> 12));
  out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (cp & 0x3F));
}

bool Ascii(std::string_view text, bool controlsToo) {
  for (unsigned char c : text)
    if (c >= 0x80 || (controlsToo && c < 0x20 && c != '\t' && c != '\n' && c != '\r')) return false;
  return true;
}

class Iconv final {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (Ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // Converts as much as it can; on a bad sequence stops with `in` at it.
  bool Run(std::string_view& in, std::string& out) {
    char* inp = const_cast<char*>(in.data());
    size_t left = in.size();
    char buf[4096];
    bool ok = true;
    while (left > 0) {
      char* outp = buf;
      size_t room = sizeof buf;
      const size_t r = iconv(cd_, &inp, &left, &outp, &room);
      out.append(buf, static_cast<size_t>(outp - buf));
      if (r == static_cast<size_t>(-1) && errno != E2BIG) {
        ok = false;
        break;
      }
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    in = in.substr(in.size() - left);
    return ok;
  }

 private:
  iconv_t cd_;
};

std::string ToUtf8(std::string_view gbk, bool escapeControls) {
  if (Ascii(gbk, escapeControls)) return std::string(gbk);
  Iconv cd("UTF-8", "GBK");
  std::string out;
  out.reserve(gbk.size() * 3 / 2 + 8);
  while (!gbk.empty()) {
    // Plain runs go through iconv; the byte it refuses (or, for XML, a control
    // byte) becomes its stand-in.
    size_t run = gbk.size();
    if (escapeControls) {
      run = 0;
      while (run < gbk.size()) {
        const unsigned char c = static_cast<unsigned char>(gbk[run]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') break;
        ++run;
      }
    }
    if (run > 0) {
      std::string_view piece = gbk.substr(0, run);
      if (cd.Ok()) cd.Run(piece, out);
      const size_t used = run - piece.size();
      gbk.remove_prefix(used);
      if (used == run) continue;
    }
    AppendUtf8(out, kEscapeBase + static_cast<unsigned char>(gbk[0]));
    gbk.remove_prefix(1);
  }
  return out;
}

}  // namespace

std::string GbkToGisText(std::string_view gbk) { return ToUtf8(gbk, false); }

std::string AsciiLower(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string GbkToXmlText(std::string_view gbk) { return ToUtf8(gbk, true); }

std::string GisTextToGbk(std::string_view utf8) {
  if (Ascii(utf8, false)) return std::string(utf8);
  Iconv cd("GBK", "UTF-8");
  std::string out;
  out.reserve(utf8.size());
  size_t start = 0;
  auto flush = [&](size_t end) {
    std::string_view piece = utf8.substr(start, end - start);
    while (!piece.empty()) {
      if (cd.Ok() && cd.Run(piece, out)) break;
      // A character GBK cannot hold (or broken UTF-8): one "?" for it.
      out += '?';
      const unsigned char c = static_cast<unsigned char>(piece[0]);
      size_t step = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      piece.remove_prefix(std::min(step, piece.size()));
    }
  };
  for (size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c != 0xEF || i + 2 >= utf8.size()) continue;
    const unsigned cp = ((c & 0x0F) << 12) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3F) << 6) |
                        (static_cast<unsigned char>(utf8[i + 2]) & 0x3F);
    if ((static_cast<unsigned char>(utf8[i + 1]) & 0xC0) != 0x80 || (static_cast<unsigned char>(utf8[i + 2]) & 0xC0) != 0x80 ||
        cp < kEscapeBase || cp > kEscapeBase + 0xFF)
      continue;
    flush(i);
    out += static_cast<char>(cp - kEscapeBase);
    i += 2;
    start = i + 1;
  }
  flush(utf8.size());
  return out;
}

}  // namespace corvane::exchange
