#include "gui/gbk_text.h"

#include <QStringEncoder>

namespace corvane::gui {
namespace {

bool IsAscii(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// True when the text ends in the first byte of a two-byte character: the decoder
// would keep it back instead of showing it.
bool EndsInLeadByte(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x81 || b == 0xff) {
      ++i;
    } else {
      if (i + 1 == bytes.size()) return true;
      i += 2;
    }
  }
  return false;
}

}  // namespace

GbkDecoder::GbkDecoder() : decoder_("GBK") {}

QString GbkDecoder::Decode(std::string_view bytes) {
  if (IsAscii(bytes)) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  decoder_.resetState();
  QString out = decoder_.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (EndsInLeadByte(bytes)) out.append(QChar::ReplacementCharacter);
  return out;
}

QString FromGbk(std::string_view bytes) {
  GbkDecoder decoder;
  return decoder.Decode(bytes);
}

std::string ToGbk(const QString& text) {
  QStringEncoder encoder("GBK");
  const QByteArray bytes = encoder.encode(text);
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace corvane::gui
