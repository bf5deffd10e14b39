#include "exchange/geojson_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/text/text_file.h"
#include "exchange/gis_text.h"

namespace corvane::exchange {
namespace {

// The decimals hold a run of six 0s or 9s.
bool HasRun(std::string_view digits) {
  const size_t dot = digits.find('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view decimals = digits.substr(dot);
  return decimals.find("000000") != std::string_view::npos || decimals.find("999999") != std::string_view::npos;
}

std::string_view Print(char* buf, size_t size, double value, int figures) {
  const auto r = std::to_chars(buf, buf + size, value, std::chars_format::general, figures);
  return {buf, static_cast<size_t>(r.ptr - buf)};
}

__extension__ typedef unsigned __int128 Wide;

constexpr Wide Pow10(int n) { return n == 0 ? 1 : 10 * Pow10(n - 1); }

// The first `figures` digits of |value|, whose leading digit stands for
// 10^exponent, rounded as printf rounds (to nearest, ties to even) from the
// exact binary value; trailing zeros dropped. False when the rounding carries
// into another digit or the value lies beyond what is worked out here.
bool RoundedDigits(double value, int figures, int exponent, char* digits, int& count) {
  const int scale = figures - 1 - exponent;  // 0..18 for 15 figures
  if (figures > 17 || scale < 0 || scale > 19) return false;
  int binary = 0;
  const double fraction = std::frexp(std::fabs(value), &binary);
  const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
  const int shift = 53 - binary;  // |value| = mantissa / 2^shift
  if (shift <= 0 || shift >= 120) return false;
  const Wide scaled = static_cast<Wide>(mantissa) * Pow10(scale);
  Wide q = scaled >> shift;
  const Wide rest = scaled - (q << shift), half = static_cast<Wide>(1) << (shift - 1);
  if (rest > half || (rest == half && (q & 1))) ++q;
  if (q < Pow10(figures - 1) || q >= Pow10(figures)) return false;
  for (int d = figures - 1; d >= 0; --d, q /= 10) digits[d] = static_cast<char>('0' + static_cast<int>(q % 10));
  count = figures;
  while (count > 1 && digits[count - 1] == '0') --count;
  return true;
}

// "%.*g" fast for a value from 1e-4 up to 10^figures (all a survey writes):
// the digits are the shortest text that reads back as the value when that has
// no more than `figures` of them, else the value rounded to `figures` digits,
// and printed without exponent. Empty when the value is not such a case.
std::string_view FastFixed(char* buf, double value, int figures) {  // buf: 40 chars
  char sci[40];
  const char* end = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific).ptr;
  const char* p = sci;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[24];
  int count = 0;
  for (; p < end && *p != 'e'; ++p)
    if (*p != '.') digits[count++] = *p;
  if (p == end) return {};
  int exponent = 0;
  std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
  if (exponent < -4 || exponent >= figures) return {};
  if (count > figures && !RoundedDigits(value, figures, exponent, digits, count)) return {};
  char* o = buf;
  if (negative) *o++ = '-';
  if (exponent < 0) {
    *o++ = '0';
    *o++ = '.';
    for (int z = -1; z > exponent; --z) *o++ = '0';
    for (int d = 0; d < count; ++d) *o++ = digits[d];
  } else {
    for (int d = 0; d <= exponent; ++d) *o++ = d < count ? digits[d] : '0';
    if (count > exponent + 1) {
      *o++ = '.';
      for (int d = exponent + 1; d < count; ++d) *o++ = digits[d];
    }
  }
  return {buf, static_cast<size_t>(o - buf)};
}

// Collects the text and writes it out in large pieces.
class Output final {
 public:
  explicit Output(const std::string& path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0) err_ = errno;
    buffer_.reserve(kChunk + 4096);
  }
  ~Output() {
    if (fd_ >= 0) ::close(fd_);
  }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  std::string& Text() { return buffer_; }
  void MaybeFlush() {
    if (buffer_.size() >= kChunk) Flush();
  }
  bool Close(std::string& error) {
    Flush();
    if (fd_ >= 0 && ::close(fd_) != 0 && !err_) err_ = errno;
    fd_ = -1;
    if (err_) error = SystemErrorText(err_);
    return !err_;
  }

 private:
  static constexpr size_t kChunk = 1 << 20;

  void Flush() {
    const char* p = buffer_.data();
    size_t left = buffer_.size();
    while (!err_ && left > 0) {
      const ssize_t n = ::write(fd_, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        err_ = n < 0 ? errno : ENOSPC;
        break;
      }
      p += n;
      left -= static_cast<size_t>(n);
    }
    buffer_.clear();
  }

  std::string buffer_;
  int fd_ = -1;
  int err_ = 0;
};

void AppendCoordinates(std::string& out, const FeaturePoint& p) {
  out += "[ ";
  AppendJsonNumber(out, p.east);
  out += ", ";
  AppendJsonNumber(out, p.north);
  out += ", ";
  AppendJsonNumber(out, p.height);
  out += " ]";
}

void AppendFeature(std::string& out, const LayerPlan& plan, size_t i) {
  out += "{ \"type\": \"Feature\", \"properties\": { ";
  for (size_t c = 0; c < plan.columns.size(); ++c) {
    const Column& col = plan.columns[c];
    if (c) out += ", ";
    AppendJsonString(out, col.name, false);
    out += ": ";
    if (col.type == ColumnType::Text) {
      AppendJsonString(out, col.text(i), false);
    } else if (col.type == ColumnType::Real) {
      AppendJsonNumber(out, col.number(i));
    } else {
      char buf[16];
      out.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, col.integer(i)).ptr - buf));
    }
  }
  FeaturePoint a, b;
  plan.place(i, a, b);
  if (plan.lines) {
    out += " }, \"geometry\": { \"type\": \"LineString\", \"coordinates\": [ ";
    AppendCoordinates(out, a);
    out += ", ";
    AppendCoordinates(out, b);
    out += " ] } }";
  } else {
    out += " }, \"geometry\": { \"type\": \"Point\", \"coordinates\": ";
    AppendCoordinates(out, a);
    out += " } }";
  }
}

}  // namespace

void AppendJsonNumber(std::string& out, double value, int figures) {
  char buf[64];
  std::string_view text = FastFixed(buf, value, figures);
  if (text.empty() || HasRun(text)) {
    text = Print(buf, sizeof buf, value, figures);
    if (figures > 10 && HasRun(text)) {
      bool ended = false;
      for (int fewer = 1; fewer <= 3 && !ended; ++fewer) {
        text = Print(buf, sizeof buf, value, figures - fewer);
        ended = text.find('.') != std::string_view::npos && !HasRun(text);
      }
      if (!ended) text = Print(buf, sizeof buf, value, figures);
    }
  }
  out += text;
  if (text.find('.') == std::string_view::npos && text.find('e') == std::string_view::npos) out += ".0";
}

void AppendJsonString(std::string& out, std::string_view text, bool escapeSlash) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case 0:
        out += '"';
        return;
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '/':
        out += escapeSlash ? "\\/" : "/";
        break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

bool WriteGeoJson(const LayerPlan& plan, const std::string& description, const std::string& path, std::string& error) {
  Output file(path);
  std::string& out = file.Text();
  out += "{\n\"type\": \"FeatureCollection\",\n\"name\": ";
  AppendJsonString(out, GisLayerName(plan.id), true);
  out += ",\n";
  if (!description.empty()) {
    out += "\"description\": ";
    AppendJsonString(out, description, true);
    out += ",\n";
  }
  out += "\"features\": [\n";
  for (size_t i = 0; i < plan.count; ++i) {
    if (i) out += ",\n";
    AppendFeature(out, plan, i);
    file.MaybeFlush();
  }
  out += "\n]\n}\n";
  return file.Close(error);
}

}  // namespace corvane::exchange
