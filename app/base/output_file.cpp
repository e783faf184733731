#include "app/base/output_file.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

#include "app/base/run_stop.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace app {

namespace {

namespace fs = std::filesystem;

// Fixed storage, so that a signal handler can walk it: a slot's path is complete before its
// flag is set, and the flag is cleared before the path is reused.
constexpr int kSlots = 64;
constexpr size_t kPathBytes = 4096;
char g_temp_paths[kSlots][kPathBytes];
// The first write that failed, in any output: after it, no output of the run is put in place.
std::string g_first_failure;
volatile std::sig_atomic_t g_temp_used[kSlots];

int Register(const std::string &path) {
  if (path.size() >= kPathBytes) return -1;
  for (int i = 0; i < kSlots; ++i) {
    if (g_temp_used[i]) continue;
    std::memcpy(g_temp_paths[i], path.c_str(), path.size() + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    g_temp_used[i] = 1;
    return i;
  }
  return -1;
}

void Unregister(int slot) {
  if (slot >= 0) g_temp_used[slot] = 0;
}

// Beside the destination, so that the rename stays on one file system; hidden, and named
// after the program and its process so that a stray one can be told apart. The random part
// keeps a file that happens to have the name of an earlier run's out of reach: it is created
// only where nothing is (see CreateExclusive), never opened over.
std::string TemporaryPath(const std::string &path) {
  const fs::path dest(path);
  const std::string name = "." + dest.filename().string() + ".touchdown-sim-" +
                           std::to_string(getpid()) + "-" + RandomPart() + ".tmp";
  return (dest.parent_path() / name).string();
}

std::FILE *CreateExclusive(const std::string &path) {
#ifdef _WIN32
  return std::fopen(path.c_str(), "wb");
#else
  return std::fopen(path.c_str(), "wbx");
#endif
}

}  // namespace

std::string RandomPart() {
  static std::mt19937_64 generator{std::random_device{}()};
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string part;
  for (int i = 0; i < 8; ++i) part += kDigits[generator() % 36];
  return part;
}

void RemoveTemporaryFiles() {
  for (int i = 0; i < kSlots; ++i) {
    if (g_temp_used[i]) std::remove(g_temp_paths[i]);
  }
}

OutputFile::OutputFile(const std::string &path) : path_(path) {
  std::error_code error;
  const fs::file_type type = fs::status(path, error).type();
  if (type == fs::file_type::directory) {
    throw std::runtime_error("cannot write " + path + ": it is a folder");
  }
  // A device or a pipe (/dev/null, /dev/stdout) is written as it is: renaming a file over
  // it would replace the device itself.
  if (type != fs::file_type::not_found && type != fs::file_type::regular) {
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
      throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
    }
    return;
  }
  for (int attempt = 0; attempt < 16 && file_ == nullptr; ++attempt) {
    temp_path_ = TemporaryPath(path);
    file_ = CreateExclusive(temp_path_);
    if (file_ == nullptr && errno != EEXIST) break;
  }
  if (file_ == nullptr) {
    throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
  }
  slot_ = Register(temp_path_);
  temp_open_ = true;
  buffer_.reserve(2 * kFlushBytes);
}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Probe(const std::string &path) {
  OutputFile probe(path);
  if (probe.temp_open_) {
    const std::string block(4096, ' ');
    if (std::fwrite(block.data(), 1, block.size(), probe.file_) != block.size() ||
        std::fflush(probe.file_) != 0) {
      throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
    }
  }
}

void OutputFile::Discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (temp_open_) {
    std::remove(temp_path_.c_str());
    Unregister(slot_);
    temp_open_ = false;
  }
}

// The first write that fails stops the run: a full disk is not worth the rest of an hour's run.
void OutputFile::Fail(int reason) {
  if (failed_) return;
  failed_ = true;
  const std::string text = "cannot write " + path_ + ": " + std::strerror(reason);
  if (g_first_failure.empty()) g_first_failure = text;
  RequestStop(text, 1);
}

void OutputFile::Flush() {
  if (!buffer_.empty() && !failed_ &&
      (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size() ||
       std::fflush(file_) != 0)) {
    Fail(errno);
  }
  buffer_.clear();
}

void OutputFile::Close() {
  if (file_ == nullptr) return;
  Flush();
  if (std::fclose(file_) != 0) Fail(errno);
  file_ = nullptr;
  // One output that could not be written fails the run: the others keep their previous
  // files too, rather than a mix of this run's and an earlier one's.
  if (failed_ || !g_first_failure.empty()) {
    Discard();
    throw std::runtime_error(g_first_failure);
  }
  if (!temp_open_) return;
  std::error_code error;
  fs::rename(temp_path_, path_, error);
  if (error) {
    Discard();
    throw std::runtime_error("cannot put " + path_ + " in place: " + error.message());
  }
  Unregister(slot_);
  temp_open_ = false;
}

}  // namespace app
