#pragma once
// Text-mode files as the instrument and Windows peers expect them: every "\n"
// written becomes CR LF; reading turns CR LF into "\n" and hands out pieces of at
// most N-1 bytes, as a line read into an N-byte buffer does.
#include <cstdio>
#include <string>
#include <string_view>

#include "core/text/durable_file.h"

namespace corvane {

// Reads a whole regular file as bytes. False (with a reason) for directories,
// missing or unreadable files.
bool ReadFileBytes(const std::string& path, std::string& out, std::string* reason = nullptr);

// Opens a file for reading as bytes; null (with a reason) for directories, missing
// or unreadable files. size: the length of a regular file, 0 for other kinds.
std::FILE* OpenFileForReading(const std::string& path, size_t* size = nullptr, std::string* reason = nullptr);

// Why the last system call failed, as text.
std::string SystemErrorText(int err);

class TextLineReader final {
 public:
  TextLineReader() = default;
  ~TextLineReader();
  TextLineReader(const TextLineReader&) = delete;
  TextLineReader& operator=(const TextLineReader&) = delete;

  // Opens a regular file for reading; false for directories and unreadable paths.
  bool Open(const std::string& path, std::string* reason = nullptr);
  bool IsOpen() const { return file_ != nullptr; }
  // The next piece: up to bufferSize-1 bytes, ending after the first "\n" (CR LF
  // read as "\n"). False at the end of the file.
  bool ReadPiece(std::string& piece, size_t bufferSize);
  void Close();

 private:
  int NextByte();  // -1 at the end
  int PeekRaw();
  bool Fill();

  std::FILE* file_ = nullptr;
  char buf_[65536];
  size_t pos_ = 0;
  size_t len_ = 0;
};

// Writes a file in text mode through the durable writer: the file that was
// there before is replaced only when everything has been written and flushed.
class TextFileWriter final {
 public:
  // False when the file cannot be created there (missing folder, no permission,
  // a directory of that name, a file that must not be replaced).
  bool Open(const std::string& path, std::string* reason = nullptr);
  bool IsOpen() const { return file_.IsOpen(); }
  // Text mode: "\n" is stored as CR LF.
  void Write(std::string_view text);
  // Bytes as they are.
  void WriteRaw(std::string_view bytes) { file_.Write(bytes); }
  // Finishes the file and puts it in place; false (old file untouched) on error.
  bool Commit(std::string* reason = nullptr);
  // Drops the new content; the old file stays as it was.
  void Abort() { file_.Discard(); }
  // The file underneath, for committing several files as one.
  DurableFile& File() { return file_; }
  const DurableFile& File() const { return file_; }

 private:
  DurableFile file_;
  std::string converted_;
};

// Writes the whole text (text mode) to the path atomically.
bool WriteTextFile(const std::string& path, std::string_view text, std::string* reason = nullptr);

}  // namespace corvane
