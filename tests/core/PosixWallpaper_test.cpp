// The Linux desktops' wallpaper settings, driven for real where the machine allows: GNOME's
// GSettings through the keyfile backend in a temporary configuration folder.
#include "platform/posix/PosixWallpaper.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>

#include "support/TempDir.h"

namespace verid::posix {
namespace {

TEST(DesktopFrom, TakesTheFirstKnownDesktopOfTheList) {
  struct Case {
    const char* value;
    DesktopKind kind;
  } cases[] = {
      {"GNOME", DesktopKind::Gnome},
      {"ubuntu:GNOME", DesktopKind::Gnome},
      {"Budgie:GNOME", DesktopKind::Gnome},
      {"Pantheon", DesktopKind::Gnome},
      {"Unity", DesktopKind::Gnome},
      {"X-Cinnamon", DesktopKind::Cinnamon},
      {"MATE", DesktopKind::Mate},
      {"XFCE", DesktopKind::Xfce},
      {"KDE", DesktopKind::Kde},
      {"kde", DesktopKind::Kde},
      {"LXQt", DesktopKind::Unknown},
      {"", DesktopKind::Unknown},
      {"sway:wlroots", DesktopKind::Unknown},
  };
  for (const Case& c : cases) EXPECT_EQ(DesktopFrom(c.value), c.kind) << c.value;
}

TEST(PlasmaImageFrom, ReadsTheImageWallpapersPicture) {
  EXPECT_EQ(PlasmaImageFrom("[Containments][1]\nplugin=org.kde.panel\n"
                            "[Containments][2][Wallpaper][org.kde.image][General]\r\n"
                            "FillMode=2\nImage=file:///home/u/My%20Pictures/a.jpg\n"),
            "/home/u/My Pictures/a.jpg");
  EXPECT_EQ(PlasmaImageFrom("[General]\nImage=/x.png\n"), "");
  EXPECT_EQ(PlasmaImageFrom(""), "");
}

TEST(UnknownDesktop, CannotSetAnything) {
  auto backend = WallpaperFor(DesktopKind::Unknown);
  EXPECT_EQ(backend->Support(), WallpaperAbility::None);
  EXPECT_FALSE(backend->Read().has_value());
  EXPECT_NE(backend->Apply("/x.bmp", WallpaperStyle::Centered), "");
}

// GSettings picks its backend and the configuration folder once per process: set both
// before the first use.
class GnomeWallpaper : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    config_ = new test::TempDir();
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("XDG_CONFIG_HOME", config_->Path().c_str(), 1);
  }
  static void TearDownTestSuite() {
    delete config_;
    config_ = nullptr;
  }
  void SetUp() override {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.gnome.desktop.background", TRUE)
               : nullptr;
    if (!schema) GTEST_SKIP() << "gsettings-desktop-schemas is not installed";
    dark_ = g_settings_schema_has_key(schema, "picture-uri-dark");
    g_settings_schema_unref(schema);
    settings_ = g_settings_new("org.gnome.desktop.background");
    for (const char* key : {"picture-uri", "picture-uri-dark", "picture-options"})
      if (dark_ || std::string(key) != "picture-uri-dark") g_settings_reset(settings_, key);
    g_settings_sync();
  }
  void TearDown() override {
    if (settings_) g_object_unref(settings_);
  }
  std::string Get(const char* key) {
    gchar* v = g_settings_get_string(settings_, key);
    std::string s = v;
    g_free(v);
    return s;
  }
  void Put(const char* key, const char* value) {
    g_settings_set_string(settings_, key, value);
    g_settings_sync();
  }
  bool UserSet(const char* key) {
    GVariant* v = g_settings_get_user_value(settings_, key);
    if (v) g_variant_unref(v);
    return v != nullptr;
  }

  static test::TempDir* config_;
  GSettings* settings_ = nullptr;
  bool dark_ = false;
  std::unique_ptr<WallpaperBackend> backend_ = WallpaperFor(DesktopKind::Gnome);
};
test::TempDir* GnomeWallpaper::config_ = nullptr;

TEST_F(GnomeWallpaper, AppliesCentredAndTiledAsFileUris) {
  ASSERT_EQ(backend_->Support(), WallpaperAbility::Full);
  ASSERT_EQ(backend_->Apply("/tmp/Verid/Verid_WPaper.bmp", WallpaperStyle::Centered), "");
  EXPECT_EQ(Get("picture-uri"), "file:///tmp/Verid/Verid_WPaper.bmp");
  if (dark_) {
    EXPECT_EQ(Get("picture-uri-dark"), "file:///tmp/Verid/Verid_WPaper.bmp");
  }
  EXPECT_EQ(Get("picture-options"), "centered");
  ASSERT_EQ(backend_->Apply("/tmp/Verid/Verid_WPaper.bmp", WallpaperStyle::Tiled), "");
  EXPECT_EQ(Get("picture-options"), "wallpaper");
  // The keys went to the keyfile in our configuration folder.
  EXPECT_TRUE(std::filesystem::exists(config_->Path() + "/glib-2.0/settings/keyfile"));
}

TEST_F(GnomeWallpaper, RestorePutsBackEveryKeyAsItWas) {
  Put("picture-uri", "file:///home/u/a%20b.jpg");
  if (dark_) Put("picture-uri-dark", "file:///home/u/night.png");
  Put("picture-options", "zoom");
  std::optional<WallpaperSetting> before = backend_->Read();
  ASSERT_TRUE(before);
  EXPECT_EQ(before->Path, "/home/u/a b.jpg");

  ASSERT_EQ(backend_->Apply("/tmp/x.bmp", WallpaperStyle::Tiled), "");
  ASSERT_EQ(backend_->Restore(*before), "");
  EXPECT_EQ(Get("picture-uri"), "file:///home/u/a%20b.jpg");
  if (dark_) {
    EXPECT_EQ(Get("picture-uri-dark"), "file:///home/u/night.png");
  }
  EXPECT_EQ(Get("picture-options"), "zoom");

  Put("picture-options", "spanned");
  before = backend_->Read();
  ASSERT_EQ(backend_->Apply("/tmp/x.bmp", WallpaperStyle::Centered), "");
  ASSERT_EQ(backend_->Restore(*before), "");
  EXPECT_EQ(Get("picture-options"), "spanned");
}

TEST_F(GnomeWallpaper, KeysTheUserNeverSetAreResetNotPinned) {
  std::optional<WallpaperSetting> before = backend_->Read();
  ASSERT_TRUE(before);
  ASSERT_EQ(backend_->Apply("/tmp/x.bmp", WallpaperStyle::Centered), "");
  EXPECT_TRUE(UserSet("picture-options"));
  ASSERT_EQ(backend_->Restore(*before), "");
  EXPECT_FALSE(UserSet("picture-uri"));
  EXPECT_FALSE(UserSet("picture-options"));
}

}  // namespace
}  // namespace verid::posix
