#pragma once
// The Qt edge of the tool's 8-bit text: cells, captions and messages are GBK
// bytes; widgets show Unicode.
#include <QString>
#include <QStringDecoder>
#include <string>
#include <string_view>

namespace corvane::gui {

// GBK bytes as Unicode. Bytes that are not GBK show as replacement characters.
QString FromGbk(std::string_view bytes);
// Unicode as GBK bytes; characters without a GBK form become "?".
std::string ToGbk(const QString& text);

// A reusable decoder for many short texts (the grid's cells).
class GbkDecoder final {
 public:
  GbkDecoder();
  QString Decode(std::string_view bytes);

 private:
  QStringDecoder decoder_;
};

}  // namespace corvane::gui
