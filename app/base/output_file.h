// An output file written through a large buffer into a temporary file beside its
// destination, and renamed into place only when complete: a run that fails or is cut short
// never leaves half a file where the previous one was, nor a temporary file behind.
#pragma once

#include <cstdio>
#include <string>

namespace app {

class OutputFile {
 public:
  // Throws std::runtime_error when the file cannot be created.
  explicit OutputFile(const std::string &path);
  // Without Close(), the temporary file is removed and the destination left as it was.
  ~OutputFile();
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  // Makes a temporary file beside path, writes a few kilobytes into it and removes it; path
  // itself is not touched. Throws std::runtime_error with the system's reason: a folder that
  // cannot be written into, or a full disk, is found before the run.
  static void Probe(const std::string &path);

  // Text is gathered here and handed on in large pieces.
  std::string &Buffer() { return buffer_; }
  void MaybeFlush() {
    if (buffer_.size() >= kFlushBytes) Flush();
  }
  // Writes out the rest and puts the file in place; throws std::runtime_error with the
  // system's reason when anything could not be written. The first failed write also asks
  // the run to stop (RequestStop, exit status 1), after which no output is put in place.
  void Close();

 private:
  static constexpr size_t kFlushBytes = 1 << 16;
  void Flush();
  void Fail(int reason);
  void Discard();

  std::string path_, temp_path_;
  int slot_ = -1;  // in the table of temporary files an abrupt end removes
  bool temp_open_ = false;
  std::FILE *file_ = nullptr;
  std::string buffer_;
  bool failed_ = false;
};

// Eight random letters and digits, for names no one else has.
std::string RandomPart();

// Removes every temporary file still open. Safe to call from a signal handler that is about
// to end the program at once: it only reads a fixed table and unlinks files.
void RemoveTemporaryFiles();

}  // namespace app
