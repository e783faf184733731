// An output file written through a large buffer; write errors surface when it is closed.
#pragma once

#include <cstdio>
#include <string>

namespace app {

class OutputFile {
 public:
  // Throws std::runtime_error when the file cannot be created.
  explicit OutputFile(const std::string &path);
  ~OutputFile();
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  // Text is gathered here and handed on in large pieces.
  std::string &buffer() { return buffer_; }
  void MaybeFlush() {
    if (buffer_.size() >= kFlushBytes) Flush();
  }
  // Writes out the rest; throws std::runtime_error when anything could not be written.
  void Close();

 private:
  static constexpr size_t kFlushBytes = 1 << 16;
  void Flush();

  std::string path_;
  std::FILE *file_ = nullptr;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace app
