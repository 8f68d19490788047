// Large buffers mapped from the system, so that their used part can be given back early.
// Built into the base library, like the file streams.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <new>

#include "base/BigBuffer.h"

namespace verid {

bool TBigBuffer::Allocate(size_t size, bool huge) {
  Reset();
  if (size >= kMapFrom) {
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return false;
    if (huge) madvise(p, size, MADV_HUGEPAGE);
    data_ = static_cast<uint8_t*>(p);
    mapped_ = true;
  } else {
    small_.reset(new (std::nothrow) uint8_t[size ? size : 1]);
    if (!small_) return false;
    data_ = small_.get();
  }
  size_ = size;
  return true;
}

void TBigBuffer::Reset() {
  if (mapped_ && size_ > released_) munmap(data_ + released_, size_ - released_);
  small_.reset();
  data_ = nullptr;
  size_ = released_ = 0;
  mapped_ = false;
}

void TBigBuffer::ReleaseBefore(size_t offset) {
  if (!mapped_) return;
  static const size_t page = size_t(sysconf(_SC_PAGESIZE));
  size_t end = std::min(offset, size_) / page * page;
  if (end <= released_) return;
  munmap(data_ + released_, end - released_);
  released_ = end;
}

}  // namespace verid
