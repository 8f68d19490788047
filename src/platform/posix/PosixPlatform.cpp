#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/PosixTrash.h"

namespace verid {
namespace {

class PosixPlatform : public Platform {
 public:
  explicit PosixPlatform(ScreenProvider* screen) : screen_(screen) {}

  std::string RegistryString(const std::string&, const std::string&) override { return {}; }
  std::string ShortcutFolder(ShortcutPlace) override { return {}; }
  std::string WriteShortcut(ShortcutPlace, const std::string&, const std::string&,
                            const std::string&) override {
    return {};
  }
  void HideTaskBar() override {}
  void ShowTaskBar() override {}
  bool CanTrash(const std::string& path) override { return posix::CanTrash(path); }
  TrashOutcome MoveToTrash(const std::string& path) override { return posix::MoveToTrash(path); }
  std::string WallpaperFolder() override { return {}; }
  std::string CurrentWallpaper(WallpaperStyle*) override { return {}; }
  std::string ApplyWallpaper(const std::string&, WallpaperStyle) override {
    return "壁紙を設定できません";
  }
  void ClearAttributes(const std::string&) override {}
  void SetSystemAttribute(const std::string&) override {}
  TRect WorkArea() override { return screen_ ? screen_->WorkArea() : TRect{}; }
  TRect ScreenRect() override { return screen_ ? screen_->ScreenRect() : TRect{}; }
  uint32_t TickCount() override {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  void ProcessPendingEvents() override {
    if (screen_) screen_->ProcessPendingEvents();
  }
  void WaitForEvents(uint32_t ms) override {
    if (screen_)
      screen_->WaitForEvents(ms);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  std::string ExecutablePath() override {
    std::vector<char> buf(4096);
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    return n > 0 ? std::string(buf.data(), static_cast<size_t>(n)) : std::string();
  }

 private:
  ScreenProvider* screen_;
};

}  // namespace

std::unique_ptr<Platform> CreatePosixPlatform(ScreenProvider* screen) {
  return std::make_unique<PosixPlatform>(screen);
}

}  // namespace verid
