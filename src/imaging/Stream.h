// Byte streams the codecs read and write: files, memory, and the atomic file writer.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace verid {

// File-system errors carry the system's message.
class EFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class EStreamError : public EFileError {
 public:
  using EFileError::EFileError;
};

enum class TSeekOrigin { Beginning, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes count bytes or throws.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();
  // Memory streams expose their bytes so readers can work in place; others give null.
  virtual const uint8_t* Memory() const { return nullptr; }

  int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::Beginning); }
  // Exactly count bytes, or EStreamError.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
};

enum class FileMode { Read, Create };

class TFileStream : public TStream {
 public:
  TFileStream(const std::string& path, FileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  // Flushes to disk and closes; throws on failure. The destructor closes quietly.
  void Close();
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  const uint8_t* Memory() const override { return data_.data(); }
  std::vector<uint8_t>& Bytes() { return data_; }
  const std::vector<uint8_t>& Bytes() const { return data_; }
  void LoadFromFile(const std::string& path);
  void Clear() {
    data_.clear();
    pos_ = 0;
  }

 private:
  std::vector<uint8_t> data_;
  int64_t pos_ = 0;
};

// A read-only view of memory the caller keeps alive (no copy).
class TMemoryViewStream : public TStream {
 public:
  TMemoryViewStream(const void* data, int64_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return size_; }
  const uint8_t* Memory() const override { return data_; }

 private:
  const uint8_t* data_;
  int64_t size_;
  int64_t pos_ = 0;
};

// Hands the rest of the stream (from its position to its end) to `use` as one block of
// bytes: memory streams in place, others read into a buffer first. The stream ends up
// positioned at its end.
void UseRemainingBytes(TStream& stream, const std::function<void(const uint8_t*, size_t)>& use);

// Writes a file so that a failure never destroys what was there: the content goes to a
// temporary file in the same folder, which replaces `path` only after it was completely
// written and flushed. The temporary file is removed on failure, and the exception (from
// `write` or from the file system) propagates. An existing file's permissions are kept.
void WriteFileAtomically(const std::string& path, const std::function<void(TStream&)>& write);

// "ファイル %s を開けません" style messages with the system's reason.
std::string FileErrorMessage(const std::string& what, const std::string& path, int err);

}  // namespace verid
