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

TextFileWriter::~TextFileWriter() { Abort(); }

bool TextFileWriter::Open(const std::string& path, std::string* reason) {
  Abort();
  failed_ = false;
  error_ = 0;
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    if (reason) *reason = SystemErrorText(EISDIR);
    return false;
  }
  // A read-only file stays as it is, even where the folder would allow replacing it.
  if (exists && S_ISREG(st.st_mode) && ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)) {
    if (reason) *reason = SystemErrorText(EACCES);
    return false;
  }
  // Special files (a terminal, a pipe) are written in place.
  if (exists && !S_ISREG(st.st_mode)) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
      if (reason) *reason = SystemErrorText(errno);
      return false;
    }
    path_ = path;
    temp_.clear();
    return true;
  }
  std::string temp = path + ".tmp-XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    if (reason) *reason = SystemErrorText(errno);
    return false;
  }
  mode_t mode;
  if (exists) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd, mode) != 0) { /* keep the private mode */ }
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    if (reason) *reason = SystemErrorText(err);
    return false;
  }
  path_ = path;
  temp_ = temp;
  return true;
}

void TextFileWriter::WriteRaw(std::string_view bytes) {
  if (!file_ || failed_ || bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    failed_ = true;
    error_ = errno;
  }
}

void TextFileWriter::Write(std::string_view text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) {
      WriteRaw(text.substr(start));
      return;
    }
    WriteRaw(text.substr(start, nl - start));
    WriteRaw("\r\n");
    start = nl + 1;
  }
}

bool TextFileWriter::Commit(std::string* reason) {
  if (!file_) {
    if (reason) *reason = "file not open";
    return false;
  }
  if (std::fflush(file_) != 0 && !failed_) {
    failed_ = true;
    error_ = errno;
  }
  if (std::fclose(file_) != 0 && !failed_) {
    failed_ = true;
    error_ = errno;
  }
  file_ = nullptr;
  if (!failed_ && !temp_.empty() && ::rename(temp_.c_str(), path_.c_str()) != 0) {
    failed_ = true;
    error_ = errno;
  }
  if (failed_) {
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    if (reason) *reason = SystemErrorText(error_);
    return false;
  }
  temp_.clear();
  return true;
}

void TextFileWriter::Abort() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

bool WriteTextFile(const std::string& path, std::string_view text, std::string* reason) {
  TextFileWriter w;
  if (!w.Open(path, reason)) return false;
  w.Write(text);
  return w.Commit(reason);
}

}  // namespace corvane
