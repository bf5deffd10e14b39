#include "corvanedlg/file_preview.h"

#include <QFile>
#include <QStringList>

#include "core/compute/export_answer.h"
#include "core/compute/point_format.h"
#include "core/grid/coordinate_import.h"
#include "core/grid/upload_record.h"
#include "core/text/codepage.h"
#include "core/text/text_file.h"
#include "core/text/text_helpers.h"
#include "corvanedlg/option_dialog.h"

namespace corvanedlg {
namespace {

QString Shown(std::string_view gbk) { return QString::fromStdString(corvane::GbkToUtf8(gbk)); }

// The 14-character columns of the previews.
QString Column(std::string_view text) { return Shown(corvane::PadRight(text, 14)); }

// Opens the file; the text to show instead when there is nothing to read.
bool OpenForPreview(const QString& path, corvane::TextLineReader& in, QString& shown) {
  if (path.trimmed().isEmpty()) return false;
  std::string reason;
  if (in.Open(QFile::encodeName(path).toStdString(), &reason)) return true;
  shown = Tr("The file cannot be read: ", "无法读取文件：") + QString::fromLocal8Bit(reason.c_str());
  return false;
}

}  // namespace

QString ImportPreview(const QString& path, int layout, bool enz) {
  corvane::TextLineReader in;
  QString shown;
  if (!OpenForPreview(path, in, shown)) return shown;
  QStringList lines{Tr("Point         N             E             Height        Code",
                       "点号          N             E             高程          代码")};
  corvane::RecordGrid grid;
  std::string piece;
  for (int r = 1; r <= kPreviewLines && in.ReadPiece(piece, 100); ++r) {
    grid.SetRowCount(r + 1);
    corvane::ImportLineIntoRow(grid, r, piece, layout, enz);
    // The import puts N into column 7 unless the order is ENZ.
    const int north = enz ? 8 : 7, east = enz ? 7 : 8;
    lines << Column(grid.Cell(r, 3)) + Column(grid.Cell(r, north)) + Column(grid.Cell(r, east)) +
                 Column(grid.Cell(r, 9)) + Shown(grid.Cell(r, 12));
  }
  return lines.join(QLatin1Char('\n'));
}

QString UploadPreview(const QString& path, int layout, bool enz) {
  corvane::TextLineReader in;
  QString shown;
  if (!OpenForPreview(path, in, shown)) return shown;
  // The record holds the plane coordinates in the instrument's order.
  QStringList lines{enz ? QStringLiteral("         Point,             E,             N,        Height,          Code")
                        : QStringLiteral("         Point,             N,             E,        Height,          Code")};
  std::string piece;
  for (int n = 0; n < kPreviewLines && in.ReadPiece(piece, 100);) {
    if (piece.size() <= 2) continue;  // too short to be sent
    ++n;
    const corvane::UploadLineResult r = corvane::ConvertUploadLine(piece, layout, enz);
    if (r.record.empty()) lines << Tr("(not sent) ", "（不发送）") + Shown(r.message).simplified();
    else lines << Shown(corvane::TrimRightChar(corvane::TrimRightChar(r.record, '\n'), '\r'));
  }
  return lines.join(QLatin1Char('\n'));
}

QString CodePreview(const QString& path) {
  corvane::TextLineReader in;
  QString shown;
  if (!OpenForPreview(path, in, shown)) return shown;
  QStringList lines;
  std::string piece;
  // A code is at most 15 characters: a longer line goes out as several codes.
  for (int n = 0; n < kPreviewLines && in.ReadPiece(piece, 16); ++n)
    lines << Shown(corvane::TrimRightChar(corvane::TrimRightChar(piece, '\n'), '\r'));
  return lines.join(QLatin1Char('\n'));
}

QString ExportPreview(int layout, int separator) {
  const std::string sep = corvane::SeparatorForCode(separator);
  std::string text;
  if (layout == corvane::kDxfLayout) text = std::string(corvane::kDxfEntitiesHeader);
  text += corvane::FormatPointLine("S1", "STN", "1000.000", "2000.000", "100.000", layout, sep, 1);
  text += corvane::FormatPointLine("P1", "TREE", "1010.000", "2010.000", "99.850", layout, sep, 2);
  QStringList lines = Shown(text).split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  if (layout == corvane::kDxfLayout && lines.size() > 16) {
    lines = lines.mid(0, 16);
    lines << QStringLiteral("...");
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace corvanedlg
