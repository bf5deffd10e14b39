#pragma once
// Names and codes between the job's GBK bytes and the UTF-8 of the GIS formats.
// Every byte string survives the round trip: a byte that is not part of a valid
// GBK character is carried as U+F700 + byte (a private-use character GBK never
// produces) and comes back as that byte.
#include <string>
#include <string_view>

namespace corvane::exchange {

std::string GbkToGisText(std::string_view gbk);
// UTF-8 to GBK; characters GBK cannot hold become "?".
std::string GisTextToGbk(std::string_view utf8);
// XML 1.0 admits no control characters but tab, CR and LF: the others are carried
// as their private-use stand-ins too.
std::string GbkToXmlText(std::string_view gbk);

// ASCII letters in lower case (extensions, field and format names).
std::string AsciiLower(std::string_view text);

}  // namespace corvane::exchange
