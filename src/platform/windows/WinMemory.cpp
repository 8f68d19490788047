// Large buffers reserved from the system, so that their used part can be given back early.
// Built into the base library, like the file streams.
#include <windows.h>

#include <algorithm>
#include <new>

#include "base/BigBuffer.h"

namespace verid {

bool TBigBuffer::Allocate(size_t size, bool) {
  Reset();
  if (size >= kMapFrom) {
    void* p = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!p) return false;
    data_ = static_cast<uint8_t*>(p);
    mapped_ = size;
  } else {
    small_.reset(new (std::nothrow) uint8_t[size ? size : 1]);
    if (!small_) return false;
    data_ = small_.get();
  }
  size_ = size;
  return true;
}

void TBigBuffer::Reset() {
  if (mapped_) ::VirtualFree(data_, 0, MEM_RELEASE);
  small_.reset();
  data_ = nullptr;
  size_ = released_ = mapped_ = 0;
}

// Decommitted pages go back to the system; the reservation goes with Reset.
void TBigBuffer::ReleaseBefore(size_t offset) {
  if (!mapped_) return;
  static const size_t page = [] {
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    return static_cast<size_t>(info.dwPageSize);
  }();
  // Each decommit costs more than the pages are worth: only in large steps.
  size_t end = std::min(offset, size_) / page * page;
  if (end < released_ + kReleaseStep) return;
  ::VirtualFree(data_ + released_, end - released_, MEM_DECOMMIT);
  released_ = end;
}

}  // namespace verid
