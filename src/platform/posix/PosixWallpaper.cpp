#include "platform/posix/PosixWallpaper.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "base/Paths.h"
#include "platform/posix/GioLibrary.h"
#include "platform/posix/XdgDirs.h"

namespace verid::posix {

namespace {

constexpr const char* kCannotSet = "壁紙を設定できませんでした";

std::string TakeString(gchar* text) {
  std::string s = text ? text : "";
  g_free(text);
  return s;
}

std::string FileUri(const std::string& path) {
  return TakeString(g_filename_to_uri(path.c_str(), nullptr, nullptr));
}

std::string PathOfUri(const std::string& uri) {
  if (uri.empty()) return {};
  return TakeString(g_filename_from_uri(uri.c_str(), nullptr, nullptr));
}

// --- GSettings desktops ------------------------------------------------------------------

struct GSettingsLayout {
  const char* Schema;
  std::vector<const char*> PictureKeys;  // the first names the picture in force
  bool PictureIsUri;                     // else a plain path
  const char* OptionsKey;
};

const GSettingsLayout kGnome{
    "org.gnome.desktop.background", {"picture-uri", "picture-uri-dark"}, true, "picture-options"};
const GSettingsLayout kCinnamon{
    "org.cinnamon.desktop.background", {"picture-uri"}, true, "picture-options"};
const GSettingsLayout kMate{"org.mate.background", {"picture-filename"}, false, "picture-options"};

class GSettingsWallpaper : public WallpaperBackend {
 public:
  explicit GSettingsWallpaper(const GSettingsLayout& layout) : layout_(layout), gio_(Gio()) {
    if (!gio_) return;
    // g_settings_new aborts the program on a schema that is not installed: look it up.
    if (GSettingsSchemaSource* source = gio_->g_settings_schema_source_get_default())
      schema_ = gio_->g_settings_schema_source_lookup(source, layout_.Schema, TRUE);
    if (schema_) settings_ = gio_->g_settings_new_full(schema_, nullptr, nullptr);
  }
  ~GSettingsWallpaper() override {
    if (settings_) gio_->g_object_unref(settings_);
    if (schema_) gio_->g_settings_schema_unref(schema_);
  }

  WallpaperAbility Support() override {
    return settings_ && HasKey(layout_.OptionsKey) && HasKey(layout_.PictureKeys.front())
               ? WallpaperAbility::Full
               : WallpaperAbility::None;
  }

  std::optional<WallpaperSetting> Read() override {
    if (Support() == WallpaperAbility::None) return std::nullopt;
    WallpaperSetting setting;
    for (const char* key : Keys()) {
      GVariant* user = gio_->g_settings_get_user_value(settings_, key);
      if (user) g_variant_unref(user);
      setting.Values.push_back(
          {key, TakeString(gio_->g_settings_get_string(settings_, key)), user != nullptr});
    }
    const std::string& picture = setting.Values.front().Text;
    setting.Path = layout_.PictureIsUri ? PathOfUri(picture) : picture;
    return setting;
  }

  std::string Apply(const std::string& path, WallpaperStyle style) override {
    if (Support() == WallpaperAbility::None) return kCannotSet;
    const std::string picture = layout_.PictureIsUri ? FileUri(path) : path;
    if (picture.empty()) return kCannotSet;
    gio_->g_settings_delay(settings_);
    bool ok = gio_->g_settings_set_string(
        settings_, layout_.OptionsKey, style == WallpaperStyle::Tiled ? "wallpaper" : "centered");
    for (const char* key : layout_.PictureKeys)
      if (HasKey(key)) ok = gio_->g_settings_set_string(settings_, key, picture.c_str()) && ok;
    return Commit(ok);
  }

  std::string Restore(const WallpaperSetting& setting) override {
    if (Support() == WallpaperAbility::None) return kCannotSet;
    gio_->g_settings_delay(settings_);
    bool ok = true;
    for (const WallpaperSetting::Value& value : setting.Values) {
      if (!HasKey(value.Key.c_str())) continue;
      if (value.Set)
        ok = gio_->g_settings_set_string(settings_, value.Key.c_str(), value.Text.c_str()) && ok;
      else
        gio_->g_settings_reset(settings_, value.Key.c_str());
    }
    return Commit(ok);
  }

 private:
  bool HasKey(const char* key) const {
    return schema_ && gio_->g_settings_schema_has_key(schema_, key);
  }

  std::vector<const char*> Keys() const {
    std::vector<const char*> keys;
    for (const char* key : layout_.PictureKeys)
      if (HasKey(key)) keys.push_back(key);
    keys.push_back(layout_.OptionsKey);
    return keys;
  }

  // All keys change together, and reach the backing store before we return.
  std::string Commit(bool ok) {
    if (ok)
      gio_->g_settings_apply(settings_);
    else
      gio_->g_settings_revert(settings_);
    gio_->g_settings_sync();
    return ok ? std::string() : std::string(kCannotSet);
  }

  const GSettingsLayout& layout_;
  const GioLibrary* gio_;  // null: no GIO, no settings
  GSettingsSchema* schema_ = nullptr;
  GSettings* settings_ = nullptr;
};

// --- programs the desktop offers -----------------------------------------------------------

bool HaveProgram(const char* name) {
  gchar* found = g_find_program_in_path(name);
  g_free(found);
  return found != nullptr;
}

// Runs a program (no shell) and gives its standard output; nothing when it failed.
std::optional<std::string> RunProgram(const std::vector<std::string>& args) {
  std::vector<gchar*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<gchar*>(a.c_str()));
  argv.push_back(nullptr);
  gchar* out = nullptr;
  gint status = 0;
  gboolean ran =
      g_spawn_sync(nullptr, argv.data(), nullptr,
                   static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL),
                   nullptr, nullptr, &out, nullptr, &status, nullptr);
  std::string text = TakeString(out);
  if (!ran || !g_spawn_check_wait_status(status, nullptr)) return std::nullopt;
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Xfce keeps one backdrop per monitor and workspace in the xfce4-desktop channel.
class XfceWallpaper : public WallpaperBackend {
 public:
  WallpaperAbility Support() override {
    return HaveProgram("xfconf-query") ? WallpaperAbility::Full : WallpaperAbility::None;
  }

  std::optional<WallpaperSetting> Read() override {
    if (Support() == WallpaperAbility::None) return std::nullopt;
    std::optional<std::vector<std::string>> images = ImageProperties();
    if (!images) return std::nullopt;
    WallpaperSetting setting;
    for (const std::string& image : *images) {
      for (const std::string& key : {image, StyleOf(image)}) {
        std::optional<std::string> value = Query({"-p", key});
        std::string text = value ? *value : std::string();
        while (!text.empty() && text.back() == '\n') text.pop_back();
        setting.Values.push_back({key, text, value.has_value()});
      }
    }
    if (!setting.Values.empty() && setting.Values.front().Set)
      setting.Path = setting.Values.front().Text;
    return setting;
  }

  std::string Apply(const std::string& path, WallpaperStyle style) override {
    std::optional<std::vector<std::string>> images = ImageProperties();
    if (!images) return kCannotSet;
    if (images->empty()) images->push_back("/backdrop/screen0/monitor0/workspace0/last-image");
    const std::string styleValue = style == WallpaperStyle::Tiled ? "2" : "1";
    bool ok = true;
    for (const std::string& image : *images) {
      ok = Set(StyleOf(image), styleValue) && ok;
      ok = Set(image, path) && ok;
    }
    return ok ? std::string() : std::string(kCannotSet);
  }

  std::string Restore(const WallpaperSetting& setting) override {
    bool ok = true;
    for (const WallpaperSetting::Value& value : setting.Values)
      ok = (value.Set ? Set(value.Key, value.Text) : Query({"-p", value.Key, "-r"}).has_value()) &&
           ok;
    return ok ? std::string() : std::string(kCannotSet);
  }

 private:
  static std::optional<std::string> Query(std::vector<std::string> args) {
    args.insert(args.begin(), {"xfconf-query", "-c", "xfce4-desktop"});
    return RunProgram(args);
  }
  static bool IsStyle(const std::string& key) {
    return key.size() >= 12 && key.compare(key.size() - 12, 12, "/image-style") == 0;
  }
  static bool Set(const std::string& key, const std::string& value) {
    return Query({"-p", key, "-n", "-t", IsStyle(key) ? "int" : "string", "-s", value}).has_value();
  }
  static std::string StyleOf(const std::string& imageKey) {
    return imageKey.substr(0, imageKey.rfind('/')) + "/image-style";
  }
  static std::optional<std::vector<std::string>> ImageProperties() {
    std::optional<std::string> listing = Query({"-l"});
    if (!listing) return std::nullopt;
    std::vector<std::string> images;
    for (const std::string& line : Lines(*listing)) {
      const std::string suffix = "/last-image";
      if (line.size() > suffix.size() &&
          line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
        images.push_back(line);
    }
    return images;
  }
};

// Plasma sets a picture through its own program; it has no centred or tiled choice there.
class PlasmaWallpaper : public WallpaperBackend {
 public:
  WallpaperAbility Support() override {
    return HaveProgram("plasma-apply-wallpaperimage") ? WallpaperAbility::PictureOnly
                                                      : WallpaperAbility::None;
  }
  std::optional<WallpaperSetting> Read() override {
    if (Support() == WallpaperAbility::None) return std::nullopt;
    std::ifstream in(ConfigHome() + "/plasma-org.kde.plasma.desktop-appletsrc", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    WallpaperSetting setting;
    setting.Path = PlasmaImageFrom(text);
    setting.Values.push_back({"Image", setting.Path, !setting.Path.empty()});
    return setting;
  }
  std::string Apply(const std::string& path, WallpaperStyle) override {
    return RunProgram({"plasma-apply-wallpaperimage", path}) ? std::string() : kCannotSet;
  }
  // Plasma always shows some picture: a setting without one leaves the desktop as it is.
  std::string Restore(const WallpaperSetting& setting) override {
    if (setting.Path.empty()) return {};
    return Apply(setting.Path, WallpaperStyle::Centered);
  }
};

class NoWallpaper : public WallpaperBackend {
 public:
  WallpaperAbility Support() override { return WallpaperAbility::None; }
  std::optional<WallpaperSetting> Read() override { return std::nullopt; }
  std::string Apply(const std::string&, WallpaperStyle) override { return kCannotSet; }
  std::string Restore(const WallpaperSetting&) override { return kCannotSet; }
};

}  // namespace

DesktopKind DesktopFrom(std::string_view value) {
  while (!value.empty()) {
    size_t colon = value.find(':');
    std::string_view name = value.substr(0, colon);
    for (std::string_view gnome : {"GNOME", "Unity", "Budgie", "Pantheon", "GNOME-Classic"})
      if (SameText(name, gnome)) return DesktopKind::Gnome;
    if (SameText(name, "X-Cinnamon") || SameText(name, "Cinnamon")) return DesktopKind::Cinnamon;
    if (SameText(name, "MATE")) return DesktopKind::Mate;
    if (SameText(name, "XFCE")) return DesktopKind::Xfce;
    if (SameText(name, "KDE")) return DesktopKind::Kde;
    if (colon == std::string_view::npos) break;
    value.remove_prefix(colon + 1);
  }
  return DesktopKind::Unknown;
}

std::unique_ptr<WallpaperBackend> WallpaperFor(DesktopKind desktop) {
  switch (desktop) {
    case DesktopKind::Gnome:
      return std::make_unique<GSettingsWallpaper>(kGnome);
    case DesktopKind::Cinnamon:
      return std::make_unique<GSettingsWallpaper>(kCinnamon);
    case DesktopKind::Mate:
      return std::make_unique<GSettingsWallpaper>(kMate);
    case DesktopKind::Xfce:
      return std::make_unique<XfceWallpaper>();
    case DesktopKind::Kde:
      return std::make_unique<PlasmaWallpaper>();
    case DesktopKind::Unknown:
      break;
  }
  return std::make_unique<NoWallpaper>();
}

std::unique_ptr<WallpaperBackend> SessionWallpaper() {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  return WallpaperFor(DesktopFrom(desktop ? desktop : ""));
}

std::string PlasmaImageFrom(std::string_view text) {
  bool inImageGroup = false;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.front() == '[') {
      inImageGroup = line.find("[Wallpaper][org.kde.image][General]") != std::string_view::npos;
    } else if (inImageGroup && line.substr(0, 6) == "Image=") {
      std::string value(line.substr(6));
      if (value.rfind("file://", 0) == 0) return PathOfUri(value);
      if (!value.empty()) return value;
    }
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return {};
}

}  // namespace verid::posix
