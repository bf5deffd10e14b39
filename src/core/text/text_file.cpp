#include "core/text/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace corvane {

std::string SystemErrorText(int err) { return std::strerror(err); }

std::FILE* OpenFileForReading(const std::string& path, size_t* size, std::string* reason) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    if (reason) *reason = SystemErrorText(errno);
    return nullptr;
  }
  struct stat st {};
  if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
    if (reason) *reason = SystemErrorText(S_ISDIR(st.st_mode) ? EISDIR : errno);
    std::fclose(f);
    return nullptr;
  }
  if (size) *size = S_ISREG(st.st_mode) ? static_cast<size_t>(st.st_size) : 0;
  return f;
}

bool ReadFileBytes(const std::string& path, std::string& out, std::string* reason) {
  out.clear();
  size_t size = 0;
  std::FILE* f = OpenFileForReading(path, &size, reason);
  if (!f) return false;
  if (size > 0) out.reserve(size);
  char buf[1 << 16];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  const bool ok = !std::ferror(f);
  if (!ok && reason) *reason = SystemErrorText(errno);
  std::fclose(f);
  return ok;
}

TextLineReader::~TextLineReader() { Close(); }

bool TextLineReader::Open(const std::string& path, std::string* reason) {
  Close();
  std::FILE* f = OpenFileForReading(path, nullptr, reason);
  if (!f) return false;
  file_ = f;
  pos_ = len_ = 0;
  return true;
}

void TextLineReader::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  pos_ = len_ = 0;
}

bool TextLineReader::Fill() {
  if (!file_) return false;
  if (pos_ < len_) return true;
  len_ = std::fread(buf_, 1, sizeof buf_, file_);
  pos_ = 0;
  return len_ > 0;
}

int TextLineReader::PeekRaw() {
  if (!Fill()) return -1;
  return static_cast<unsigned char>(buf_[pos_]);
}

int TextLineReader::NextByte() {
  if (!Fill()) return -1;
  int c = static_cast<unsigned char>(buf_[pos_++]);
  if (c == '\r' && PeekRaw() == '\n') {
    ++pos_;
    return '\n';
  }
  return c;
}

bool TextLineReader::ReadPiece(std::string& piece, size_t bufferSize) {
  piece.clear();
  if (!file_ || bufferSize < 2) return false;
  const size_t limit = bufferSize - 1;
  while (piece.size() < limit) {
    int c = NextByte();
    if (c < 0) break;
    piece.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return !piece.empty();
}

bool TextFileWriter::Open(const std::string& path, std::string* reason) {
  if (file_.Open(path)) return true;
  if (reason) *reason = file_.Reason();
  return false;
}

void TextFileWriter::Write(std::string_view text) {
  if (text.find('\n') == std::string_view::npos) {
    file_.Write(text);
    return;
  }
  converted_.clear();
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string_view::npos; start = nl + 1) {
    converted_.append(text.substr(start, nl - start));
    converted_ += "\r\n";
  }
  converted_.append(text.substr(start));
  file_.Write(converted_);
}

bool TextFileWriter::Commit(std::string* reason) {
  if (file_.Commit()) return true;
  if (reason) *reason = file_.Reason().empty() ? "file not open" : file_.Reason();
  return false;
}

bool WriteTextFile(const std::string& path, std::string_view text, std::string* reason) {
  TextFileWriter w;
  if (!w.Open(path, reason)) return false;
  w.Write(text);
  return w.Commit(reason);
}

}  // namespace corvane
