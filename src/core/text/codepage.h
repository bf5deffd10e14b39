#pragma once
// The tool's 8-bit code page is GBK. Fixed Chinese texts are written as UTF-8 in
// the sources and turned into GBK bytes here, once.
#include <string>
#include <string_view>

namespace corvane {

// GBK bytes to UTF-8. Bytes that are not valid GBK become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);
// UTF-8 to GBK bytes. Characters without a GBK form become "?".
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace corvane
