#include "core/compute/export_answer.h"

#include "core/text/text_helpers.h"

namespace corvane {
namespace {

int DigitAt(std::string_view text, size_t i) {
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return 0;
  return text[i] - '0';
}

}  // namespace

std::string SeparatorForCode(int code) {
  switch (code) {
    case 0: return ",";
    case 1: return " ";
    case 2: return "\t";
    default: return {};
  }
}

ExportAnswer ParseExportAnswer(std::string_view answer) {
  ExportAnswer out;
  out.layout = DigitAt(answer, 1);
  out.separator = SeparatorForCode(DigitAt(answer, 4));
  out.path = TextInLastBraces(answer);
  return out;
}

}  // namespace corvane
