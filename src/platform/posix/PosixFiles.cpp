// File streams and the atomic file replacement on POSIX systems. Built into the base
// library: every layer reads files, and these need nothing beyond the C library.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "base/Stream.h"

namespace verid {

TReadResult ReadFileBytes(const std::string& path, std::string& bytes) {
  bytes.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? TReadResult::Missing : TReadResult::Unreadable;
  char buf[65536];
  TReadResult result = TReadResult::Read;
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result = TReadResult::Unreadable;  // also a folder in the file's place
      bytes.clear();
      break;
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return result;
}

// --- TFileStream ------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& path, FileMode mode) : path_(path) {
  int flags = mode == FileMode::Read ? O_RDONLY : (O_WRONLY | O_CREAT | O_TRUNC);
  handle_ = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  if (handle_ < 0) {
    int err = errno;
    throw EFileError(FileErrorMessage(
        mode == FileMode::Read ? "ファイルを開けません:" : "ファイルを作成できません:", path, err));
  }
  if (mode == FileMode::Read) {
    struct stat st;
    if (::fstat(static_cast<int>(handle_), &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(static_cast<int>(handle_));
      handle_ = -1;
      throw EFileError(FileErrorMessage("ファイルを開けません:", path, EISDIR));
    }
  }
}

TFileStream::~TFileStream() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

void TFileStream::Close(bool sync) {
  if (handle_ < 0) return;
  int fd = static_cast<int>(handle_);
  handle_ = -1;
  if (sync && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
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
    ssize_t n = ::read(static_cast<int>(handle_), out + done, static_cast<size_t>(count - done));
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
    ssize_t n = ::write(static_cast<int>(handle_), in + done, static_cast<size_t>(count - done));
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
  off_t r = ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), whence);
  if (r < 0) throw EFileError(FileErrorMessage("ファイルをシークできません:", path_, errno));
  return r;
}

int64_t TFileStream::Size() {
  struct stat st;
  if (::fstat(static_cast<int>(handle_), &st) != 0) return TStream::Size();
  return st.st_size;
}

// --- atomic file replacement ------------------------------------------------------------

namespace {

[[noreturn]] void ThrowFileError(const char* what, const std::string& path, int err) {
  throw EFileError(FileErrorMessage(what, path, err), err);
}

constexpr const char* kCannotWrite = "ファイルに書き込めません:";
constexpr const char* kCannotCreate = "ファイルを作成できません:";

std::atomic<bool> g_useUnnamed{true};

// A file without a name in `folder`, or -1 where the file system has none, or where it
// could not be given a name later (that goes through /proc).
int OpenUnnamed(const std::string& folder) {
#ifdef O_TMPFILE
  if (!g_useUnnamed) return -1;
  static const bool procFds = ::access("/proc/self/fd", X_OK) == 0;
  if (!procFds) return -1;
  return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
#else
  (void)folder;
  return -1;
#endif
}

// Gives the unnamed file behind `fd` the name `path`; fails with EEXIST when it is taken.
bool LinkUnnamed(int fd, const std::string& path) {
  char proc[48];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  return ::linkat(AT_FDCWD, proc, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// The folder a file goes into ("." for a bare name).
std::string FolderOf(const std::string& path) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

// A short hidden name in `folder`, picked at random (the caller retries a taken one).
std::string HiddenName(const std::string& folder) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
  std::string name = folder;
  name.append("/.verid-");
  for (int i = 0; i < 6; ++i) name.push_back(kChars[pick(random)]);
  return name;
}

}  // namespace

void UseUnnamedTemporaryFiles(bool use) {
  g_useUnnamed = use;
}

std::string ResolveLinks(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path current(path);
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current.string();
    std::vector<char> buffer(st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 4096);
    ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
    if (n < 0) return current.string();
    fs::path link(std::string(buffer.data(), static_cast<size_t>(n)));
    // A relative link counts from the folder it is in; an absolute one replaces the path.
    current = current.parent_path() / link;
  }
  ThrowFileError(kCannotWrite, path, ELOOP);
}

namespace {

// The existing file a write to `path` would replace, checked as a plain open for writing
// checks it (nothing is truncated, and a pipe does not block the check). False when
// nothing is there yet.
bool CheckedTarget(const std::string& path, std::string* target, struct stat* st) {
  *target = ResolveLinks(path);
  int fd = ::open(target->c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return false;
    ThrowFileError(kCannotWrite, *target, errno);
  }
  int err = ::fstat(fd, st) == 0 ? 0 : errno;
  ::close(fd);
  if (err) ThrowFileError(kCannotWrite, *target, err);
  if (!S_ISREG(st->st_mode)) ThrowFileError(kCannotWrite, *target, EINVAL);
  return true;
}

}  // namespace

std::string CheckReplaceable(const std::string& path) {
  std::string target;
  struct stat st;
  CheckedTarget(path, &target, &st);
  return target;
}

TFileReplacement::TFileReplacement(const std::string& path, bool replace)
    : target_(path), replace_(replace) {
  struct stat st;
  if (replace_ && CheckedTarget(path, &target_, &st)) {
    replaces_ = haveAttributes_ = true;
    mode_ = st.st_mode & 07777;
    owner_ = st.st_uid;
    group_ = st.st_gid;
  }
  const std::string folder = FolderOf(target_);
  // Unnamed where possible: the stream writes and closes its descriptor, a second one
  // keeps the file until it gets its name.
  int fd = OpenUnnamed(folder);
  if (fd >= 0) {
    unnamedFd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (unnamedFd_ < 0) {
      ::close(fd);
      fd = -1;
    }
  }
  if (fd < 0) {
    std::string pattern = folder + "/.verid-XXXXXX";
    std::vector<char> tmpl(pattern.begin(), pattern.end());
    tmpl.push_back('\0');
    fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0) ThrowFileError(kCannotCreate, target_, errno);
    temp_ = tmpl.data();
  }
  // Errors while writing name the file the user meant, not the temporary one.
  stream_.reset(new TFileStream(target_, fd));
}

TFileReplacement::~TFileReplacement() {
  stream_.reset();
  if (unnamedFd_ >= 0)
    ::close(unnamedFd_);  // an unnamed file that was never placed goes with it
  else if (!placed_)
    ::unlink(temp_.c_str());
}

void TFileReplacement::TakeModeOf(const std::string& path, bool owner) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return;
  haveAttributes_ = true;
  mode_ = st.st_mode & 07777;
  owner_ = owner ? st.st_uid : -1;
  group_ = owner ? st.st_gid : -1;
}

void TFileReplacement::TakeTimeOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return;
  haveTime_ = true;
  seconds_ = st.st_mtim.tv_sec;
  nanoseconds_ = st.st_mtim.tv_nsec;
}

void TFileReplacement::Finish(bool sync) {
  int fd = static_cast<int>(stream_->handle_);
  mode_t mode;
  if (haveAttributes_) {
    mode = static_cast<mode_t>(mode_);
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  // Owner first: a change of owner clears the set-id bits that the mode then restores.
  // Only root may give a file away; a group of one's own is kept even so.
  if (owner_ >= 0 || group_ >= 0) {
    if (::fchown(fd, static_cast<uid_t>(owner_), static_cast<gid_t>(group_)) != 0 && group_ >= 0) {
      [[maybe_unused]] int kept = ::fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(group_));
    }
  }
  ::fchmod(fd, mode);
  if (haveTime_) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds_);
    times[1].tv_nsec = static_cast<long>(nanoseconds_);
    ::futimens(fd, times);
  }
  stream_->Close(sync);
}

void TFileReplacement::Place() {
  Complete();
  if (unnamedFd_ >= 0) {
    if (!replace_) {
      // A link refuses a taken name, dangling links included.
      if (!LinkUnnamed(unnamedFd_, target_)) ThrowFileError(kCannotWrite, target_, errno);
      placed_ = true;
      return;
    }
    // Replacing is a rename over the old file: the content gets a hidden name for the
    // moment between.
    const std::string folder = FolderOf(target_);
    for (int attempt = 0;; ++attempt) {
      std::string hidden = HiddenName(folder);
      if (!LinkUnnamed(unnamedFd_, hidden)) {
        if (errno == EEXIST && attempt < 100) continue;
        ThrowFileError(kCannotWrite, target_, errno);
      }
      if (::rename(hidden.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        ::unlink(hidden.c_str());
        ThrowFileError(kCannotWrite, target_, err);
      }
      placed_ = true;
      return;
    }
  }
  if (replace_) {
    if (::rename(temp_.c_str(), target_.c_str()) != 0) ThrowFileError(kCannotWrite, target_, errno);
    placed_ = true;
    return;
  }
  // A hard link is a rename that refuses a taken name, dangling links included.
  if (::link(temp_.c_str(), target_.c_str()) == 0) {
    ::unlink(temp_.c_str());
    placed_ = true;
    return;
  }
  int err = errno;
  if (err == EEXIST) ThrowFileError(kCannotWrite, target_, EEXIST);
  // File systems without hard links: a plain check, then the rename.
  struct stat st;
  if (::lstat(target_.c_str(), &st) == 0) ThrowFileError(kCannotWrite, target_, EEXIST);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) ThrowFileError(kCannotWrite, target_, errno);
  placed_ = true;
}

bool FolderWritable(const std::string& folder) {
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

void SyncFileSystem(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowFileError(kCannotWrite, path, errno);
  int result = ::syncfs(fd);
  int err = errno;
  ::close(fd);
  if (result != 0) ThrowFileError(kCannotWrite, path, err);
}

// readdir with the entry's own type: no stat for plain files, which keeps a folder of a
// hundred thousand pictures quick to list.
bool ListFolderFiles(const std::string& folder, bool (*wanted)(std::string_view name),
                     std::string& names, std::error_code& error) {
  names.clear();
  error.clear();
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    error = std::error_code(errno, std::system_category());
    return false;
  }
  struct Close {
    DIR* dir;
    ~Close() { closedir(dir); }
  } close{dir};
  const int fd = dirfd(dir);
  // A folder's size is about what its names take (more on most file systems): one
  // allocation instead of a dozen, each on fresh pages.
  struct stat folderStat {};
  if (fstat(fd, &folderStat) == 0 && folderStat.st_size > 0)
    names.reserve(size_t(std::min<off_t>(folderStat.st_size, off_t(64) << 20)));
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir);
    if (!entry) break;
    const std::string_view name(entry->d_name);
    if (!wanted(name)) continue;
    bool file = entry->d_type == DT_REG;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat st {};
      file = fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
    }
    if (file) names.append(name).push_back('\0');
  }
  if (errno != 0) {
    error = std::error_code(errno, std::system_category());
    names.clear();
    return false;
  }
  return true;
}

}  // namespace verid
