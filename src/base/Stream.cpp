#include "base/Stream.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace verid {

std::string FileErrorMessage(const std::string& what, const std::string& path, int err) {
  return what + " " + path + ": " + SystemErrorText(err);
}

int64_t TStream::Size() {
  int64_t here = Position();
  int64_t end = Seek(0, TSeekOrigin::End);
  SetPosition(here);
  return end;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    int64_t n = Read(out + done, count - done);
    if (n <= 0) throw EStreamError("ストリームの読み込みエラー");
    done += n;
  }
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (Write(buffer, count) != count) throw EStreamError("ストリームの書き込みエラー");
}

// --- memory streams ---------------------------------------------------------------------

static int64_t SeekIn(int64_t& pos, int64_t size, int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == TSeekOrigin::Beginning ? 0 : origin == TSeekOrigin::Current ? pos : size;
  int64_t target = base + offset;
  if (target < 0) throw EStreamError("ストリームのシークエラー");
  pos = target;
  return pos;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  int64_t size = Size();
  if (count <= 0 || pos_ >= size) return 0;
  int64_t n = std::min(count, size - pos_);
  std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (pos_ + count > Size()) data_.resize(static_cast<size_t>(pos_ + count));
  std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
  pos_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  return SeekIn(pos_, Size(), offset, origin);
}

void TMemoryStream::LoadFromFile(const std::string& path) {
  TFileStream file(path, FileMode::Read);
  int64_t size = file.Size();
  data_.resize(static_cast<size_t>(size));
  if (size > 0) file.ReadBuffer(data_.data(), size);
  pos_ = 0;
}

int64_t TMemoryViewStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || pos_ >= size_) return 0;
  int64_t n = std::min(count, size_ - pos_);
  std::memcpy(buffer, data_ + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

int64_t TMemoryViewStream::Write(const void*, int64_t) {
  throw EStreamError("ストリームの書き込みエラー");
}

int64_t TMemoryViewStream::Seek(int64_t offset, TSeekOrigin origin) {
  return SeekIn(pos_, size_, offset, origin);
}

void UseRemainingBytes(TStream& stream, const std::function<void(const uint8_t*, size_t)>& use) {
  const int64_t start = stream.Position();
  const int64_t size = std::max<int64_t>(0, stream.Size() - start);
  if (const uint8_t* mem = stream.Memory()) {
    stream.SetPosition(start + size);
    use(mem + start, static_cast<size_t>(size));
    return;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  stream.ReadBuffer(bytes.data(), size);
  use(bytes.data(), bytes.size());
}

// The system's part of the replacement (Finish, Place) is in its platform folder.
void TFileReplacement::Complete(bool sync) {
  if (completed_) return;
  Finish(sync);
  completed_ = true;
}

void WriteFileAtomically(const std::string& path, const std::function<void(TStream&)>& write) {
  TFileReplacement replacement(path);
  write(replacement.Stream());
  replacement.Place();
}

}  // namespace verid
