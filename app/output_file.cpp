#include "app/output_file.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace app {

OutputFile::OutputFile(const std::string &path) : path_(path) {
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
  }
  buffer_.reserve(2 * kFlushBytes);
}

OutputFile::~OutputFile() {
  if (file_ != nullptr) std::fclose(file_);
}

void OutputFile::Flush() {
  if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
    failed_ = true;
  }
  buffer_.clear();
}

void OutputFile::Close() {
  if (file_ == nullptr) return;
  Flush();
  failed_ = std::fclose(file_) != 0 || failed_;
  file_ = nullptr;
  if (failed_) throw std::runtime_error("could not write all of " + path_);
}

}  // namespace app
