// File streams and the atomic file replacement on POSIX systems. Built into the core
// library: every codec needs files, and these need nothing beyond the C library.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "imaging/Stream.h"

namespace verid {

// --- TFileStream ------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& path, FileMode mode) : path_(path) {
  int flags = mode == FileMode::Read ? O_RDONLY : (O_WRONLY | O_CREAT | O_TRUNC);
  fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    int err = errno;
    throw EFileError(FileErrorMessage(
        mode == FileMode::Read ? "ファイルを開けません:" : "ファイルを作成できません:", path, err));
  }
  if (mode == FileMode::Read) {
    struct stat st;
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd_);
      fd_ = -1;
      throw EFileError(FileErrorMessage("ファイルを開けません:", path, EISDIR));
    }
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

void TFileStream::Close() {
  if (fd_ < 0) return;
  int fd = fd_;
  fd_ = -1;
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
    int err = errno;
    ::close(fd);
    throw EFileError(FileErrorMessage("ファイルに書き込めません:", path_, err));
  }
  if (::close(fd) != 0) {
    throw EFileError(FileErrorMessage("ファイルに書き込めません:", path_, errno));
  }
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    ssize_t n = ::read(fd_, out + done, static_cast<size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFileError(FileErrorMessage("ファイルを読み込めません:", path_, errno));
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, in + done, static_cast<size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFileError(FileErrorMessage("ファイルに書き込めません:", path_, errno));
    }
    done += n;
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == TSeekOrigin::Beginning ? SEEK_SET
               : origin == TSeekOrigin::Current ? SEEK_CUR
                                                : SEEK_END;
  off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0) throw EFileError(FileErrorMessage("ファイルをシークできません:", path_, errno));
  return r;
}

int64_t TFileStream::Size() {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return TStream::Size();
  return st.st_size;
}

// --- atomic file replacement ------------------------------------------------------------

void WriteFileAtomically(const std::string& path, const std::function<void(TStream&)>& write) {
  std::filesystem::path target(path);
  std::filesystem::path folder = target.parent_path();
  std::string pattern = (folder.empty() ? std::string(".") : folder.string()) + "/." +
                        target.filename().string() + ".verid-XXXXXX";
  std::vector<char> tmpl(pattern.begin(), pattern.end());
  tmpl.push_back('\0');
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) throw EFileError(FileErrorMessage("ファイルを作成できません:", path, errno));
  ::close(fd);
  std::string tmpPath(tmpl.data());

  struct stat old;
  bool hadOld = ::stat(path.c_str(), &old) == 0;
  try {
    {
      TFileStream out(tmpPath, FileMode::Create);
      write(out);
      out.Close();
    }
    mode_t mode;
    if (hadOld) {
      mode = old.st_mode & 07777;
    } else {
      mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666 & ~mask;
    }
    ::chmod(tmpPath.c_str(), mode);
    if (::rename(tmpPath.c_str(), path.c_str()) != 0)
      throw EFileError(FileErrorMessage("ファイルに書き込めません:", path, errno));
  } catch (...) {
    ::unlink(tmpPath.c_str());
    throw;
  }
}

}  // namespace verid
