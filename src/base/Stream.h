// Byte streams the codecs read and write: files, memory, and the atomic file writer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace verid {

// File-system errors carry the system's message and, where known, its error number.
class EFileError : public std::runtime_error {
 public:
  explicit EFileError(const std::string& message, int code = 0)
      : std::runtime_error(message), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
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
  // Flushes to disk (unless `sync` is false) and closes; throws on failure. The
  // destructor closes quietly.
  void Close(bool sync = true);
  const std::string& Path() const { return path_; }

 private:
  friend class TFileReplacement;
  TFileStream(std::string path, intptr_t handle) : path_(std::move(path)), handle_(handle) {}
  std::string path_;
  // The system's handle of the open file (a descriptor or a pointer-sized handle); -1 is
  // none on every system.
  intptr_t handle_ = -1;
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

// New content for a file, written in the folder of the file it is meant for and put in
// place only when complete, so a failure never destroys what was there and names up to
// the system's limit work. Where the system can, the file has no name until it is placed,
// so a program killed meanwhile leaves nothing behind; elsewhere it is written under a
// short hidden name (".verid-XXXXXX") that is removed if it is never placed. The file system
// keeps its say: a symbolic link is followed to the file it names, which is replaced
// while the link stays; an existing file that a plain open for writing would refuse
// (read-only, a folder) is refused with the system's reason before anything is written.
// The new file gets the replaced file's mode and, where the system permits, its owner
// and group; a new name gets the mode the umask gives. Unless placed, the temporary file
// is removed when the object goes away.
class TFileReplacement {
 public:
  // With `replace` false nothing under `path` is followed or checked: Place() then puts
  // the file there only if the name is free.
  explicit TFileReplacement(const std::string& path, bool replace = true);
  ~TFileReplacement();
  TFileReplacement(const TFileReplacement&) = delete;
  TFileReplacement& operator=(const TFileReplacement&) = delete;

  TStream& Stream() { return *stream_; }
  // The file that will be replaced or created (links followed).
  const std::string& Target() const { return target_; }
  // Whether an existing file is being replaced (links followed).
  bool Replaces() const { return replaces_; }
  // Whether the content is written without a name until placed.
  bool Unnamed() const { return unnamedFd_ >= 0; }
  // Takes the mode, and with `owner` the owner and group, from another file (the source
  // of a move) instead of the replaced one.
  void TakeModeOf(const std::string& path, bool owner);
  // Gives the new file another file's modification time (the source of a copy).
  void TakeTimeOf(const std::string& path);
  // Gives the temporary file its attributes, flushes it to disk and closes it; after this
  // only Place() remains, which may then run on another thread. With `sync` false the
  // flush is left to the caller, who makes many files durable at once with
  // SyncFileSystem before placing them. Throws EFileError.
  void Complete(bool sync = true);
  // Completes the content if that was not done and puts it under the target name:
  // replacing what is there, or, without `replace`, failing with EEXIST when the name is
  // taken. Throws EFileError with the system's reason; the target is then as it was.
  void Place();

 private:
  void Finish(bool sync);
  std::string target_;
  std::string temp_;    // the hidden name, when written under one
  int unnamedFd_ = -1;  // the file without a name: kept open until placed
  bool replace_;
  bool replaces_ = false;
  bool placed_ = false;
  bool completed_ = false;
  std::unique_ptr<TFileStream> stream_;
  bool haveAttributes_ = false;
  unsigned mode_ = 0;
  long long owner_ = -1, group_ = -1;
  bool haveTime_ = false;
  long long seconds_ = 0, nanoseconds_ = 0;
};

// Whether new content is written without a name until placed, where the system can
// (the default). Off, TFileReplacement always writes under a hidden name, as on systems
// without such files.
void UseUnnamedTemporaryFiles(bool use);

// The file a write to `path` lands in: symbolic links followed (a dangling link gives
// the name it points at). Throws EFileError for a loop of links.
std::string ResolveLinks(const std::string& path);

// Follows links from `path` and checks the existing file there as TFileReplacement does;
// returns the file a replacement would land in. Throws EFileError with the reason.
std::string CheckReplaceable(const std::string& path);

// Writes a file through a TFileReplacement: `write` fills it, then it replaces `path`.
// The exception from `write` or from the file system propagates.
void WriteFileAtomically(const std::string& path, const std::function<void(TStream&)>& write);

// Reads a whole file into `bytes` (emptied first). Missing: nothing under the name;
// Unreadable: anything else that stops the read (no permission, a folder, an I/O error),
// and `bytes` is then empty.
enum class TReadResult { Read, Missing, Unreadable };
TReadResult ReadFileBytes(const std::string& path, std::string& bytes);

// The names of the files in `folder` (regular files, links followed; no folders) whose
// names `wanted` accepts, as the file system gives them and in its order, each followed
// by a zero byte in `names` (one block: a folder of a hundred thousand files costs no
// allocation per name). The name is checked before anything else is asked of the system.
// False with `error` set, and `names` empty, when the folder cannot be read.
bool ListFolderFiles(const std::string& folder, bool (*wanted)(std::string_view name),
                     std::string& names, std::error_code& error);

// Whether this process may make files in `folder` (a folder it can write and search);
// false for anything else, a read-only file system included.
bool FolderWritable(const std::string& folder);

// Flushes everything written to the file system that holds `path` to disk (one call for
// many files written without their own flush). Throws EFileError.
void SyncFileSystem(const std::string& path);

// "ファイル %s を開けません" style messages with the system's reason.
std::string FileErrorMessage(const std::string& what, const std::string& path, int err);
// The system's text for an error code of its file calls.
std::string SystemErrorText(int code);

}  // namespace verid
