#pragma once
// A large byte buffer for whole-image work (a picture's compressed data or all its rows).
// Large buffers are mapped on their own, so the part already used can go back to the
// system while the rest is still needed. The system calls live with the other POSIX
// code (platform/posix/PosixMemory.cpp), built into the base library.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace verid {

class TBigBuffer {
 public:
  TBigBuffer() = default;
  TBigBuffer(const TBigBuffer&) = delete;
  TBigBuffer& operator=(const TBigBuffer&) = delete;
  ~TBigBuffer() { Reset(); }

  // False when the memory cannot be had. `huge` asks for large pages: fewer page faults
  // for a buffer written from end to end, at up to 2 MiB more memory.
  bool Allocate(size_t size, bool huge = false);
  void Reset();
  // May give back pages before `offset` (in large steps); they must not be touched again.
  void ReleaseBefore(size_t offset);
  uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  static constexpr size_t kMapFrom = size_t(1) << 20;
  static constexpr size_t kReleaseStep = size_t(8) << 20;
  uint8_t* data_ = nullptr;
  size_t size_ = 0, released_ = 0;
  size_t mapped_ = 0;  // the length of the mapping; 0 when not mapped
  std::unique_ptr<uint8_t[]> small_;
};

}  // namespace verid
