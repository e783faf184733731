// Every attachment point a world has made, kept in blocks that never move. Where vessels are
// anchored and released in every step the record grows by points every step for as long as
// the run lasts; a vector that doubled would copy all of them, and touch fresh memory for
// all of them, again and again.
#pragma once

#include <memory>
#include <vector>

#include "sim/world.h"

namespace sim {

class AttachmentStore {
 public:
  size_t Size() const { return size_; }
  AttachmentRecord &operator[](size_t i) { return blocks_[i / kBlock][i % kBlock]; }
  const AttachmentRecord &operator[](size_t i) const { return blocks_[i / kBlock][i % kBlock]; }

  void PushBack(const AttachmentRecord &point) {
    Reserve(size_ + 1);
    (*this)[size_++] = point;
  }
  // Room for so many points, made now rather than when they come.
  void Reserve(size_t points) {
    while (blocks_.size() * kBlock < points) {
      blocks_.push_back(std::make_unique<AttachmentRecord[]>(kBlock));
    }
  }
  // Forgets the points and keeps their room.
  void Clear() {
    for (size_t i = 0; i < size_; ++i) (*this)[i] = AttachmentRecord{};
    size_ = 0;
  }

 private:
  static constexpr size_t kBlock = 4096;
  std::vector<std::unique_ptr<AttachmentRecord[]>> blocks_;
  size_t size_ = 0;
};

}  // namespace sim
