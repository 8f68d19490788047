// Large buffers mapped from the system, so that their used part can be given back early.
// Built into the base library, like the file streams.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "base/BigBuffer.h"

namespace verid {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t PageSize() {
  static const size_t page = size_t(sysconf(_SC_PAGESIZE));
  return page;
}

size_t RoundUp(size_t n, size_t to) {
  return (n + to - 1) / to * to;
}

// A mapping that starts on a large-page boundary and ends on one, so that every part of
// it can be a large page: an unaligned mapping keeps small pages at both ends, and with
// them thousands of page faults for a photo's raster.
void* MapAligned(size_t size) {
  const size_t length = RoundUp(size, kHugePage);
  void* p =
      mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  auto* start = static_cast<uint8_t*>(p);
  auto* aligned =
      reinterpret_cast<uint8_t*>(RoundUp(reinterpret_cast<uintptr_t>(start), kHugePage));
  if (aligned > start) munmap(start, size_t(aligned - start));
  const size_t tail = size_t(start + length + kHugePage - (aligned + length));
  if (tail > 0) munmap(aligned + length, tail);
  madvise(aligned, length, MADV_HUGEPAGE);
  return aligned;
}

}  // namespace

bool TBigBuffer::Allocate(size_t size, bool huge) {
  Reset();
  if (size >= kMapFrom) {
    void* p = nullptr;
    if (huge) {
      p = MapAligned(size);
      if (!p) return false;
      mapped_ = RoundUp(size, kHugePage);
    } else {
      p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (p == MAP_FAILED) return false;
      mapped_ = RoundUp(size, PageSize());
    }
    data_ = static_cast<uint8_t*>(p);
  } else {
    small_.reset(new (std::nothrow) uint8_t[size ? size : 1]);
    if (!small_) return false;
    data_ = small_.get();
  }
  size_ = size;
  return true;
}

void TBigBuffer::Reset() {
  if (mapped_ > released_) munmap(data_ + released_, mapped_ - released_);
  small_.reset();
  data_ = nullptr;
  size_ = released_ = mapped_ = 0;
}

void TBigBuffer::ReleaseBefore(size_t offset) {
  if (!mapped_) return;
  // Every unmapping flushes the address translations, which costs far more than the
  // pages it gives back on a virtual machine: only large steps, on large-page bounds.
  const size_t end = std::min(offset, size_) / kHugePage * kHugePage;
  if (end < released_ + kReleaseStep) return;
  munmap(data_ + released_, end - released_);
  released_ = end;
}

}  // namespace verid
