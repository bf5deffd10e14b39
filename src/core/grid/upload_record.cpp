#include "core/grid/upload_record.h"

#include <array>

#include "core/text/numbers.h"
#include "core/text/text_helpers.h"

namespace corvane {

UploadLineResult ConvertUploadLine(std::string_view line, int type, bool enz) {
  UploadLineResult out;
  std::string w = CleanLine(line, ' ');
  w = std::string(TrimRightChar(TrimRightChar(w, '\n'), '\r'));
  char sep = '\t';
  if (size_t b = w.find(' '); b != std::string::npos && b >= 1)
    sep = ' ';
  else if (size_t c = w.find(','); c != std::string::npos && c >= 1)
    sep = ',';

  std::array<std::string, 7> f;
  size_t p = w.find(sep);
  if (p != std::string::npos && p >= 1) {
    f[0] = PadLeft(std::string_view(w).substr(0, p), 14);
    for (int k = 1; k <= 5; ++k) {
      const size_t next = w.find(sep, p + 1);
      if (next == std::string::npos) {
        f[static_cast<size_t>(k)] = PadLeft(std::string_view(w).substr(p + 1), 14);
        break;
      }
      f[static_cast<size_t>(k)] = PadLeft(std::string_view(w).substr(p + 1, next - p - 1), 14);
      p = next;
    }
  }
  for (size_t k = 0; k < f.size(); ++k) {
    if (f[k].empty()) f[k] = std::string(14, ' ');
    if (f[k].size() > 14) {
      out.message =
          "The data " + FormatInt(static_cast<long long>(k)) + " in line:" + w + "\r\nis too long(>14),will be drop!";
      return out;
    }
  }
  std::array<int, 5> order;
  switch (type) {
    case 0:
      order = enz ? std::array{0, 2, 1, 3, 4} : std::array{0, 1, 2, 3, 4};
      break;
    case 1:
    case 6:
      order = enz ? std::array{0, 1, 2, 3, 4} : std::array{0, 2, 1, 3, 4};
      break;
    case 2:
      order = enz ? std::array{0, 3, 2, 4, 1} : std::array{0, 2, 3, 4, 1};
      break;
    case 3:
      order = enz ? std::array{0, 2, 3, 4, 1} : std::array{0, 3, 2, 4, 1};
      break;
    case 4:
      order = enz ? std::array{1, 4, 3, 5, 2} : std::array{1, 3, 4, 5, 2};
      break;
    case 5:
      order = enz ? std::array{1, 3, 4, 5, 2} : std::array{1, 4, 3, 5, 2};
      break;
    default:
      out.record = w;
      return out;
  }
  out.record.reserve(76);
  for (size_t i = 0; i < order.size(); ++i) {
    out.record += f[static_cast<size_t>(order[i])];
    out.record += i + 1 < order.size() ? "," : "\r\n";
  }
  return out;
}

bool UploadOrderIsEnz(const ISettingsReader& settings) {
  return CAtoi(settings.ReadSetting(SettingsSection::OtherSet, "CoorType", "0")) != 0;
}

UploadLineResult ConvertUploadLine(std::string_view line, int type, const ISettingsReader& settings) {
  return ConvertUploadLine(line, type, UploadOrderIsEnz(settings));
}

int ReadUploadType(const ISettingsReader& settings) {
  return ToShort(CAtoi(settings.ReadSetting(SettingsSection::OtherSet, "Inputdatatype", "0")));
}

}  // namespace corvane
