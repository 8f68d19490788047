// File streams and the atomic file replacement on Windows, with the wide-character calls.
// Built into the base library, like the POSIX ones. Error codes carried by EFileError are
// the C library's (EEXIST, EACCES, ...), as on other systems; the message has the
// system's own reason.
#include <windows.h>

#include <cerrno>
#include <filesystem>
#include <random>

#include "base/Paths.h"
#include "base/Stream.h"
#include "platform/windows/WinText.h"

namespace verid {

namespace {

constexpr const char* kCannotOpen = "ファイルを開けません:";
constexpr const char* kCannotCreate = "ファイルを作成できません:";
constexpr const char* kCannotRead = "ファイルを読み込めません:";
constexpr const char* kCannotWrite = "ファイルに書き込めません:";
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int ErrnoOf(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

[[noreturn]] void ThrowWinError(const char* what, const std::string& path, DWORD code) {
  throw EFileError(std::string(what) + " " + path + ": " + win::ErrorText(code), ErrnoOf(code));
}

HANDLE H(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

bool IsMissing(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

}  // namespace

TReadResult ReadFileBytes(const std::string& path, std::string& bytes) {
  bytes.clear();
  HANDLE h = ::CreateFileW(win::Wide(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return IsMissing(::GetLastError()) ? TReadResult::Missing : TReadResult::Unreadable;
  char buf[65536];
  TReadResult result = TReadResult::Read;
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(h, buf, sizeof buf, &n, nullptr)) {
      result = TReadResult::Unreadable;
      bytes.clear();
      break;
    }
    if (n == 0) break;
    bytes.append(buf, n);
  }
  ::CloseHandle(h);
  return result;
}

// --- TFileStream ------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& path, FileMode mode) : path_(path) {
  const bool reading = mode == FileMode::Read;
  // A folder opens only with backup semantics, so a folder in the file's place fails here.
  HANDLE h = ::CreateFileW(win::Wide(path).c_str(), reading ? GENERIC_READ : GENERIC_WRITE,
                           reading ? kShareAll : FILE_SHARE_READ, nullptr,
                           reading ? OPEN_EXISTING : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    ThrowWinError(reading ? kCannotOpen : kCannotCreate, path, ::GetLastError());
  handle_ = reinterpret_cast<intptr_t>(h);
}

TFileStream::~TFileStream() {
  if (handle_ != -1) ::CloseHandle(H(handle_));
}

void TFileStream::Close(bool sync) {
  if (handle_ == -1) return;
  HANDLE h = H(handle_);
  handle_ = -1;
  if (sync && !::FlushFileBuffers(h)) {
    DWORD code = ::GetLastError();
    // Devices and read-only handles have nothing to flush.
    if (code != ERROR_INVALID_HANDLE && code != ERROR_ACCESS_DENIED &&
        code != ERROR_INVALID_FUNCTION) {
      ::CloseHandle(h);
      ThrowWinError(kCannotWrite, path_, code);
    }
  }
  if (!::CloseHandle(h)) ThrowWinError(kCannotWrite, path_, ::GetLastError());
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    DWORD want = static_cast<DWORD>(std::min<int64_t>(count - done, 1 << 30));
    DWORD n = 0;
    if (!::ReadFile(H(handle_), out + done, want, &n, nullptr))
      ThrowWinError(kCannotRead, path_, ::GetLastError());
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    DWORD want = static_cast<DWORD>(std::min<int64_t>(count - done, 1 << 30));
    DWORD n = 0;
    if (!::WriteFile(H(handle_), in + done, want, &n, nullptr))
      ThrowWinError(kCannotWrite, path_, ::GetLastError());
    done += n;
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  DWORD method = origin == TSeekOrigin::Beginning ? FILE_BEGIN
                 : origin == TSeekOrigin::Current ? FILE_CURRENT
                                                  : FILE_END;
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  if (!::SetFilePointerEx(H(handle_), distance, &result, method))
    ThrowWinError("ファイルをシークできません:", path_, ::GetLastError());
  return result.QuadPart;
}

int64_t TFileStream::Size() {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(H(handle_), &size)) return TStream::Size();
  return size.QuadPart;
}

// --- atomic file replacement ------------------------------------------------------------

// Only reparse points are followed: other paths stay as the caller spelled them.
std::string ResolveLinks(const std::string& path) {
  const std::wstring wide = win::Wide(path);
  DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return path;
  HANDLE h = ::CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD code = ::GetLastError();
    if (code == ERROR_CANT_RESOLVE_FILENAME) ThrowWinError(kCannotWrite, path, code);
    return path;  // dangling: the name it has
  }
  std::wstring final(MAX_PATH, L'\0');
  DWORD n = ::GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()), 0);
  if (n >= final.size()) {
    final.resize(n + 1);
    n = ::GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()), 0);
  }
  ::CloseHandle(h);
  if (n == 0 || n >= final.size()) return path;
  final.resize(n);
  if (final.rfind(L"\\\\?\\UNC\\", 0) == 0)
    final = L"\\\\" + final.substr(8);
  else if (final.rfind(L"\\\\?\\", 0) == 0)
    final = final.substr(4);
  return win::Narrow(final);
}

namespace {

// The existing file a write to `path` would replace, opened for writing as a plain save
// would open it (which refuses read-only files and folders with the system's reason).
// False when nothing is there yet.
bool CheckedTarget(const std::string& path, std::string* target, DWORD* attributes) {
  *target = ResolveLinks(path);
  const std::wstring wide = win::Wide(*target);
  // The attribute is what Windows refuses a write for; checked as well because a
  // compatibility layer running as a Unix superuser would let the open below through.
  const DWORD seen = ::GetFileAttributesW(wide.c_str());
  if (seen != INVALID_FILE_ATTRIBUTES && (seen & FILE_ATTRIBUTE_READONLY))
    ThrowWinError(kCannotWrite, *target, ERROR_ACCESS_DENIED);
  HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return false;
    ThrowWinError(kCannotWrite, *target, code);
  }
  BY_HANDLE_FILE_INFORMATION info;
  BOOL ok = ::GetFileInformationByHandle(h, &info);
  DWORD code = ok ? 0 : ::GetLastError();
  ::CloseHandle(h);
  if (!ok) ThrowWinError(kCannotWrite, *target, code);
  *attributes = info.dwFileAttributes;
  return true;
}

// Attributes a plain file of our own may carry over.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

void RemoveTemporary(const std::wstring& temp) {
  ::SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(temp.c_str());
}

}  // namespace

std::string CheckReplaceable(const std::string& path) {
  std::string target;
  DWORD attributes = 0;
  CheckedTarget(path, &target, &attributes);
  return target;
}

TFileReplacement::TFileReplacement(const std::string& path, bool replace)
    : target_(path), replace_(replace) {
  DWORD attributes = 0;
  if (replace_ && CheckedTarget(path, &target_, &attributes)) {
    replaces_ = haveAttributes_ = true;
    mode_ = attributes & kKeptAttributes;
  }
  std::string folder = ExtractFilePath(target_);
  // Short hidden names beside the target, so names up to the system's limit still work.
  static thread_local std::mt19937 random{std::random_device{}()};
  constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  HANDLE h = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
    std::string name = ".verid-";
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    temp_ = folder + name;
    h = ::CreateFileW(win::Wide(temp_).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      DWORD code = ::GetLastError();
      if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
        temp_.clear();
        ThrowWinError(kCannotCreate, target_, code);
      }
    }
  }
  if (h == INVALID_HANDLE_VALUE) {
    temp_.clear();
    ThrowWinError(kCannotCreate, target_, ERROR_FILE_EXISTS);
  }
  // Errors while writing name the file the user meant, not the temporary one.
  stream_.reset(new TFileStream(target_, reinterpret_cast<intptr_t>(h)));
}

TFileReplacement::~TFileReplacement() {
  if (placed_ || temp_.empty()) return;
  stream_.reset();
  RemoveTemporary(win::Wide(temp_));
}

void TFileReplacement::TakeModeOf(const std::string& path, bool) {
  DWORD attributes = ::GetFileAttributesW(win::Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  haveAttributes_ = true;
  mode_ = attributes & kKeptAttributes;
}

void TFileReplacement::TakeTimeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(win::Wide(path).c_str(), GetFileExInfoStandard, &data)) return;
  haveTime_ = true;
  // Here the time is kept as the system has it: 100-nanosecond ticks since 1601.
  ULARGE_INTEGER ticks;
  ticks.LowPart = data.ftLastWriteTime.dwLowDateTime;
  ticks.HighPart = data.ftLastWriteTime.dwHighDateTime;
  seconds_ = static_cast<long long>(ticks.QuadPart);
}

// The flush is never left for later: Windows has no call that makes a whole file system
// durable for an ordinary user, so SyncFileSystem has nothing left to do.
void TFileReplacement::Finish(bool) {
  HANDLE h = H(stream_->handle_);
  FILE_BASIC_INFO info{};
  if (haveTime_) info.LastWriteTime.QuadPart = seconds_;
  // Zero attributes would leave the temporary file hidden; NORMAL clears them.
  info.FileAttributes =
      haveAttributes_ && mode_ ? static_cast<DWORD>(mode_) : FILE_ATTRIBUTE_NORMAL;
  ::SetFileInformationByHandle(h, FileBasicInfo, &info, sizeof info);
  stream_->Close(true);
}

void TFileReplacement::Place() {
  Complete();
  const std::wstring temp = win::Wide(temp_), target = win::Wide(target_);
  if (replace_) {
    // ReplaceFileW keeps what belongs to the file rather than its content (its security,
    // creation time and short name); a name that is free takes a plain rename.
    if (replaces_ && ::ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                    REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
      placed_ = true;
      return;
    }
    if (!::MoveFileExW(temp.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      ThrowWinError(kCannotWrite, target_, ::GetLastError());
    placed_ = true;
    return;
  }
  // Without MOVEFILE_REPLACE_EXISTING the rename refuses a taken name.
  if (!::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
    ThrowWinError(kCannotWrite, target_, ::GetLastError());
  placed_ = true;
}

void SyncFileSystem(const std::string&) {}

// Windows has no files without a name: new content always goes under a hidden one.
void UseUnnamedTemporaryFiles(bool) {}

bool FolderWritable(const std::string& folder) {
  const DWORD attributes = ::GetFileAttributesW(win::Wide(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  // The folder's permissions say it best: a file that is gone again when closed.
  std::mt19937 random{std::random_device{}()};
  const std::wstring probe = win::Wide(JoinPath(folder, ".verid-" + std::to_string(random())));
  HANDLE h = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(h);
  return true;
}

bool ListFolderFiles(const std::string& folder, bool (*wanted)(std::string_view name),
                     std::string& names, std::error_code& error) {
  namespace fs = std::filesystem;
  names.clear();
  error.clear();
  fs::directory_iterator it(FsPath(folder), error);
  for (auto end = fs::directory_iterator(); !error && it != end; it.increment(error)) {
    const std::string name = Utf8Of(it->path().filename());
    if (!wanted(name)) continue;
    std::error_code typeError;
    if (it->is_regular_file(typeError)) names.append(name).push_back('\0');
  }
  if (error) names.clear();
  return !error;
}

}  // namespace verid
