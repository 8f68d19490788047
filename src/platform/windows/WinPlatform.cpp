// The Windows implementation of Platform: the registry, the shell (recycle bin and shell
// links), the desktop wallpaper, file attributes and the task bar, with the wide-character
// calls. Strings outside are UTF-8.
#include <windows.h>
// windows.h first: the shell headers build on it.
#include <objbase.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string_view>
#include <vector>

#include "base/Paths.h"
#include "platform/Platform.h"
#include "platform/windows/WinText.h"

namespace verid {
namespace {

using win::Narrow;
using win::Wide;

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";
constexpr const char* kCannotSetWallpaper = "壁紙を設定できませんでした";
constexpr const char* kCannotTrash = "ごみ箱に移動できません";

// The hive at the front of a key ("HKEY_LOCAL_MACHINE\\...", "HKLM\\..."), the user's
// hive when there is none.
HKEY SplitHive(std::string_view& key) {
  struct Hive {
    std::string_view Name;
    HKEY Root;
  };
  static const Hive hives[] = {{"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
                               {"HKCU\\", HKEY_CURRENT_USER},
                               {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
                               {"HKLM\\", HKEY_LOCAL_MACHINE},
                               {"HKEY_USERS\\", HKEY_USERS},
                               {"HKU\\", HKEY_USERS}};
  for (const Hive& hive : hives) {
    if (key.size() > hive.Name.size() && SameText(key.substr(0, hive.Name.size()), hive.Name)) {
      key.remove_prefix(hive.Name.size());
      return hive.Root;
    }
  }
  return HKEY_CURRENT_USER;
}

// A string value of an open key; nothing when it is missing or not a string.
std::optional<std::wstring> QueryString(HKEY key, const wchar_t* name) {
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
      ERROR_SUCCESS)
    return {};
  value.resize(::wcsnlen(value.c_str(), value.size()));  // up to the first NUL
  if (type == REG_EXPAND_SZ) {
    DWORD n = ::ExpandEnvironmentStringsW(value.c_str(), nullptr, 0);
    std::wstring expanded(n, L'\0');
    if (n && ::ExpandEnvironmentStringsW(value.c_str(), expanded.data(), n)) {
      expanded.resize(::wcsnlen(expanded.c_str(), expanded.size()));
      value = std::move(expanded);
    }
  }
  return value;
}

bool SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  // The stored size counts the terminating NUL, as readers of REG_SZ expect.
  return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
         ERROR_SUCCESS;
}

class RegKey {
 public:
  RegKey(HKEY root, const wchar_t* path, REGSAM access, bool create = false) {
    LONG rc = create ? ::RegCreateKeyExW(root, path, 0, nullptr, 0, access, nullptr, &key_, nullptr)
                     : ::RegOpenKeyExW(root, path, 0, access, &key_);
    if (rc != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegKey() {
    if (key_) ::RegCloseKey(key_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  explicit operator bool() const { return key_ != nullptr; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// COM for the calling thread, for as long as the object lives. The GUI thread has it
// already (the window library sets it up for drag and drop); then this only counts.
class ComScope {
 public:
  ComScope() {
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    owned_ = SUCCEEDED(hr);
  }
  ~ComScope() {
    if (owned_) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool owned_ = false;
};

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T** Out() { return &p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// A full path with the system's separators, as the shell calls want it.
std::wstring FullPath(const std::string& path) {
  std::wstring wide = Wide(path);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return wide;
  std::wstring full(n, L'\0');
  n = ::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(n);
  return full;
}

std::string KnownFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
  return Narrow(buffer);
}

class WinPlatform : public Platform {
 public:
  explicit WinPlatform(ScreenProvider* screen) : screen_(screen) {}

  std::string RegistryString(const std::string& key, const std::string& name) override {
    std::string_view rest = key;
    HKEY root = SplitHive(rest);
    RegKey open(root, Wide(rest).c_str(), KEY_QUERY_VALUE);
    if (!open) return {};
    std::optional<std::wstring> value = QueryString(open.Get(), Wide(name).c_str());
    return value ? Narrow(*value) : std::string();
  }

  // The registry's shell folders; when the registry has none (a fresh profile), the
  // shell's own answer for the same folder.
  std::string ShortcutFolder(ShortcutPlace place) override {
    const bool desktop = place == ShortcutPlace::Desktop;
    std::string folder = RegistryString(kShellFolders, desktop ? "Desktop" : "SendTo");
    if (folder.empty()) folder = KnownFolder(desktop ? CSIDL_DESKTOPDIRECTORY : CSIDL_SENDTO);
    return folder;
  }

  std::string WriteShortcut(ShortcutPlace place, const std::string& name, const std::string& target,
                            const std::string& workDir) override {
    std::string folder = ShortcutFolder(place);
    if (folder.empty() || name.empty() || name.find_first_of("\\/") != std::string::npos) return {};
    // The program is named without the system's extension by its callers.
    std::string program = ExtractFileExt(target).empty() ? target + ".exe" : target;
    std::string path = JoinPath(folder, name + ".lnk");
    ComScope com;
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.Out()))))
      return {};
    if (FAILED(link->SetPath(FullPath(program).c_str())) ||
        FAILED(link->SetWorkingDirectory(FullPath(workDir).c_str())))
      return {};
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Out()))))
      return {};
    // Not remembered as the link's own file; an existing link of the name is replaced.
    if (FAILED(file->Save(FullPath(path).c_str(), FALSE))) return {};
    return path;
  }

  void HideTaskBar() override { ShowTray(SW_HIDE); }
  void ShowTaskBar() override { ShowTray(SW_SHOW); }

  // Only fixed drives have a recycle bin: on others the shell would delete for good.
  bool CanTrash(const std::string& path) override {
    std::wstring full = FullPath(path);
    if (::GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    wchar_t volume[MAX_PATH] = {};
    if (!::GetVolumePathNameW(full.c_str(), volume, MAX_PATH)) return false;
    return ::GetDriveTypeW(volume) == DRIVE_FIXED;
  }

  TrashOutcome MoveToTrash(const std::string& path) override {
    if (!CanTrash(path)) return {false, kCannotTrash};
    std::wstring from = FullPath(path);
    from.push_back(L'\0');  // the list ends with two NULs
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    // The program has asked already (or was told not to).
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    int rc = ::SHFileOperationW(&op);
    if (rc != 0 || op.fAnyOperationsAborted) return {false, win::ErrorText(static_cast<DWORD>(rc))};
    if (::GetFileAttributesW(from.c_str()) != INVALID_FILE_ATTRIBUTES) return {false, kCannotTrash};
    return {true, {}};
  }

  WallpaperAbility WallpaperSupport() override { return WallpaperAbility::Full; }

  std::string WallpaperFolder() override {
    wchar_t buffer[MAX_PATH] = {};
    UINT n = ::GetWindowsDirectoryW(buffer, MAX_PATH);
    return n && n < MAX_PATH ? Narrow(buffer) : std::string();
  }

  std::optional<WallpaperSetting> ReadWallpaper() override {
    RegKey key(HKEY_CURRENT_USER, kDesktopKey, KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    WallpaperSetting setting;
    for (const wchar_t* name : {L"WallpaperStyle", L"TileWallpaper"}) {
      std::optional<std::wstring> value = QueryString(key.Get(), name);
      setting.Values.push_back({Narrow(name), value ? Narrow(*value) : std::string(), bool(value)});
    }
    std::optional<std::wstring> path = QueryString(key.Get(), L"Wallpaper");
    setting.Path = path ? Narrow(*path) : std::string();
    return setting;
  }

  // Centred and tiled both draw the picture at its own size; the shell takes the style
  // from these values when the picture is set.
  std::string ApplyWallpaper(const std::string& path, WallpaperStyle style) override {
    if (RegKey key(HKEY_CURRENT_USER, kDesktopKey, KEY_SET_VALUE, true); key) {
      SetString(key.Get(), L"WallpaperStyle", L"0");
      SetString(key.Get(), L"TileWallpaper", style == WallpaperStyle::Tiled ? L"1" : L"0");
    }
    return SetDesktopPicture(FullPath(path));
  }

  std::string RestoreWallpaper(const WallpaperSetting& setting) override {
    if (RegKey key(HKEY_CURRENT_USER, kDesktopKey, KEY_SET_VALUE, true); key) {
      for (const WallpaperSetting::Value& value : setting.Values) {
        const std::wstring name = Wide(value.Key);
        if (value.Set)
          SetString(key.Get(), name.c_str(), Wide(value.Text));
        else
          ::RegDeleteValueW(key.Get(), name.c_str());
      }
    }
    // An empty path takes the wallpaper away.
    return SetDesktopPicture(setting.Path.empty() ? std::wstring() : FullPath(setting.Path));
  }

  void ClearAttributes(const std::string& path) override {
    ::SetFileAttributesW(FullPath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  void SetSystemAttribute(const std::string& path) override {
    ::SetFileAttributesW(FullPath(path).c_str(), FILE_ATTRIBUTE_SYSTEM);
  }

  TRect WorkArea() override {
    if (screen_) return screen_->WorkArea();
    RECT r{};
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return {};
    return Bounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
  TRect ScreenRect() override {
    if (screen_) return screen_->ScreenRect();
    return Bounds(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  }
  uint32_t TickCount() override { return ::GetTickCount(); }

  TDateTime LocalTime(int64_t unixSeconds) override {
    // 100-nanosecond ticks since 1601, the system's clock.
    ULARGE_INTEGER ticks;
    ticks.QuadPart = static_cast<ULONGLONG>(unixSeconds + 11644473600LL) * 10000000ULL;
    FILETIME utc{ticks.LowPart, ticks.HighPart};
    SYSTEMTIME universal, local;
    if (unixSeconds < -11644473600LL || !::FileTimeToSystemTime(&utc, &universal) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
      return {};
    return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
  }

  void ProcessPendingEvents() override {
    if (screen_) screen_->ProcessPendingEvents();
  }
  void WaitForEvents(uint32_t ms) override {
    if (screen_)
      screen_->WaitForEvents(ms);
    else
      ::Sleep(ms);
  }

  // Settings always live beside the program here.
  std::string UserConfigFolder() override { return {}; }

  std::string ExecutablePath() override {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
      DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (n == 0) return {};
      if (n < buffer.size()) return Narrow(buffer.c_str(), static_cast<int>(n));
      buffer.resize(buffer.size() * 2);  // cut: try again with more room
    }
  }

 private:
  static void ShowTray(int how) {
    if (HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr)) ::ShowWindow(tray, how);
  }

  static std::string SetDesktopPicture(const std::wstring& path) {
    std::wstring value = path;
    if (!::SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, value.data(),
                                 SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE))
      return std::string(kCannotSetWallpaper) + ": " + win::ErrorText(::GetLastError());
    return {};
  }

  ScreenProvider* screen_;
};

}  // namespace

std::unique_ptr<Platform> CreateSystemPlatform(ScreenProvider* screen) {
  return std::make_unique<WinPlatform>(screen);
}

bool PrepareWindowSystem() {
  return false;
}

void AvoidHopelessBusLaunch() {}

void WarmUpFonts() {}

// The wide command line: argv holds the ANSI code page's idea of it, which loses
// characters outside that page.
std::string FirstArgument(int argc, char* argv[]) {
  if (argc < 2 || !argv[1]) return {};
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::string argument;
  // Qt takes its options from the front; the arguments left are the last ones.
  if (wide && count >= argc)
    argument = Narrow(wide[count - argc + 1]);
  else
    argument = argv[1];
  if (wide) ::LocalFree(wide);
  return argument;
}

std::string HomeFolder() {
  std::string home = KnownFolder(CSIDL_PROFILE);
  while (home.size() > 3 && IsPathDelim(home.back())) home.pop_back();
  return home;
}

std::vector<std::string> DriveRoots() {
  std::vector<std::string> drives;
  DWORD mask = ::GetLogicalDrives();
  for (int i = 0; i < 26; ++i)
    if (mask & (1u << i)) drives.push_back(std::string(1, static_cast<char>('A' + i)) + ":\\");
  return drives;
}

}  // namespace verid
