// The view window's edits, saves and file commands, over a recording surface.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/Hanyou.h"
#include "app/PictureOps.h"
#include "imaging/Jpeg.h"
#include "imaging/Transforms.h"
#include "support/FakePlatform.h"
#include "support/ImageBuilders.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "view/View.h"

namespace verid {
namespace {

using test::FakePlatform;
using test::ScriptedDialogs;
using test::TempDir;

class Surface : public ViewSurface {
 public:
  std::vector<std::string> log;
  bool closed = false;
  std::string caption;
  void ApplyMode(int, const ViewMenuState&) override {}
  void PaintMenus(const ViewMenuState&) override { log.push_back("menus"); }
  TColor FaceColor() override { return 0xC0C0C0; }
  void SetBusy(bool) override {}
  void SetCaption(const std::string& text) override { caption = text; }
  void SetLabel(const std::string&) override {}
  void ClearPicture() override {}
  TBorders Borders() override { return {8, 34, 16}; }
  void ShowFrame(const TViewFrame& f) override { log.push_back(f.NoPicture ? "nopic" : "frame"); }
  void ShowBand(const std::optional<TRect>&) override {}
  void SetScreenCursor(int) override {}
  TPoint ScrollPos() override { return {}; }
  void SetScrollPos(const TPoint&) override {}
  TPoint ClientSize() override { return {2000, 2000}; }
  void CloseWindow() override {
    closed = true;
    log.push_back("close");
  }
};

class ViewCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    platform.workArea = TRect{0, 0, 1024, 738};
    platform.screen = TRect{0, 0, 1024, 768};
  }
  void Open(int index = 0) {
    list.SetFolder(dir.Path());
    list.SetItemIndex(index);
    viewer = std::make_unique<TViewer>(ViewEnv{list, settings, dialogs, platform}, surface, owner);
    viewer->ShowReal();
  }
  std::string Bmp(const std::string& name, int w, int h,
                  TPixelFormat format = TPixelFormat::pf24bit) {
    test::Pattern(w, h, format, uint32_t(name.size())).SaveToFile(dir / name);
    return dir / name;
  }
  void Drag(int x1, int y1, int x2, int y2) {
    viewer->MouseDown(x1, y1, true, true);
    viewer->MouseMove(x2, y2);
    viewer->MouseUp(x2, y2, true);
  }

  TempDir dir;
  FileList list;
  AppSettings settings;
  ScriptedDialogs dialogs;
  FakePlatform platform;
  Surface surface;
  ViewOwner owner;
  std::unique_ptr<TViewer> viewer;
};

TEST_F(ViewCommands, TrimmingCropsTheSelectionOrWarnsWithoutOne) {
  Bmp("a.bmp", 40, 30);
  Open();
  TBitmap before = viewer->ShownBitmap();
  Drag(10, 20, 5, 8);  // up and to the left
  EXPECT_EQ(viewer->TrimRect, (TRect{5, 8, 10, 20}));
  viewer->mnVTrimingClick();
  EXPECT_EQ(viewer->ShownWidth, 6);
  EXPECT_EQ(viewer->ShownHeight, 13);
  EXPECT_EQ(test::CompareRGB(viewer->ShownBitmap(), Trim(before, 5, 8, 10, 20)), "");
  EXPECT_EQ(viewer->TrimRect, TRect{});
  EXPECT_EQ(viewer->Loads(), 1);

  // A click at the corner is stored as all zeros: no selection.
  Drag(0, 0, 0, 0);
  viewer->mnVTrimingClick();
  EXPECT_EQ(dialogs.MessageTexts().back(), kNoTrimRangeMessage);
  EXPECT_EQ(dialogs.LastMessage().Kind, MsgKind::Warning);
  EXPECT_EQ(viewer->ShownWidth, 6);

  Drag(5, 5, 5, 5);
  viewer->mnVTrimingClick();
  EXPECT_EQ(viewer->ShownWidth, 1);
  EXPECT_EQ(viewer->ShownHeight, 1);
  EXPECT_EQ(dialogs.MessageTexts().size(), 1u);
}

TEST_F(ViewCommands, TransformsAccumulateOnTheShownPicture) {
  Bmp("a.bmp", 640, 480);
  Open();
  const TBitmap original = viewer->ShownBitmap();
  viewer->mnRightRotateClick();
  EXPECT_EQ(viewer->ShownWidth, 480);
  EXPECT_EQ(viewer->ShownHeight, 640);
  EXPECT_EQ(test::CompareRGB(viewer->ShownBitmap(), RotateRight90(original)), "");
  viewer->mnLeftRotateClick();
  EXPECT_EQ(test::CompareRGB(viewer->ShownBitmap(), original), "");
  viewer->mnHorizonClick();
  viewer->mnVerticalClick();
  EXPECT_EQ(test::CompareRGB(viewer->ShownBitmap(), RotateRight90(RotateRight90(original))), "");
  EXPECT_EQ(viewer->Loads(), 1);
  // Another mode reads the file again: the edits are gone.
  viewer->ShowReal();
  EXPECT_EQ(test::CompareRGB(viewer->ShownBitmap(), original), "");
}

TEST_F(ViewCommands, FlipKeepsAPalettePicturesFormatAndColours) {
  Bmp("a.bmp", 7, 5, TPixelFormat::pf8bit);
  Open();
  const TBitmap original = viewer->ShownBitmap();
  ASSERT_EQ(original.PixelFormat(), TPixelFormat::pf8bit);
  viewer->mnHorizonClick();
  EXPECT_EQ(viewer->ShownBitmap().PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(test::CompareRGB(viewer->ShownBitmap(), FlipHorizontal(original)), "");
  // Saved as it is shown.
  viewer->mnVSaveClick();
  TBitmap saved;
  saved.LoadFromFile(dir / "a.bmp");
  EXPECT_EQ(test::CompareRGB(saved, FlipHorizontal(original)), "");
}

TEST_F(ViewCommands, OneBitPictureGetsTheMessageAndStaysAsItWas) {
  Bmp("a.bmp", 16, 8, TPixelFormat::pf1bit);
  Open();
  dialogs.AnswerMessage(MsgButton::Cancel);
  dialogs.AnswerMessage(MsgButton::Cancel);
  viewer->mnRightRotateClick();
  EXPECT_EQ(dialogs.MessageTexts().back(), kUnsupportedPixelFormatMessage);
  EXPECT_EQ(viewer->ShownWidth, 16);
  EXPECT_FALSE(viewer->KeepWorkPicture);
  Drag(1, 1, 4, 4);
  viewer->mnVTrimingClick();
  EXPECT_EQ(dialogs.MessageTexts().size(), 2u);
  EXPECT_EQ(viewer->ShownWidth, 16);
}

TEST_F(ViewCommands, SaveWritesByTheLowerCaseExtensionAtTheConfiguredQuality) {
  TJPEGImage jpeg;
  jpeg.Assign(test::Pattern(64, 48, TPixelFormat::pf24bit));
  jpeg.SaveToFile(dir / "photo.JPG");
  Open();
  viewer->mnRightRotateClick();
  auto sizeAt = [&](int quality) {
    settings.JpegQuality = uint8_t(quality);
    viewer->mnVSaveClick();
    TJPEGImage back;
    back.LoadFromFile(dir / "photo.JPG");
    EXPECT_EQ(back.Width(), 48);
    return std::filesystem::file_size(dir / "photo.JPG");
  };
  EXPECT_LT(sizeAt(10), sizeAt(95));
  EXPECT_TRUE(dialogs.Calls().empty());  // no question, no message
  // Nothing but the one file in the folder: no temporary left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST_F(ViewCommands, SaveOfAnUnreadableFileWritesNothing) {
  std::ofstream(dir / "x.bmp") << "not a picture";
  Open();
  viewer->mnVSaveClick();
  std::ifstream in(dir / "x.bmp");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not a picture");
}

TEST_F(ViewCommands, SaveAsAsksInSaveDirAndWritesByTheChosenExtension) {
  ASSERT_TRUE(SavePictureAsKind(test::Pattern(20, 10, TPixelFormat::pf24bit), dir / "Holiday.png",
                                "png", settings));
  std::filesystem::create_directory(dir / "out");
  settings.SaveDir = dir / "start";
  Open();
  dialogs.AnswerSave(FileDialogResult{dir / "out/copy.tif", 1});
  viewer->mnVSaveAsClick();
  const FileDialogRequest& asked = dialogs.Calls().back().File;
  EXPECT_EQ(asked.InitialDir, dir / "start");
  EXPECT_EQ(asked.FileName, "Holiday");
  EXPECT_EQ(asked.Filter, "JPEG(*.jpg,*.jpeg)|*.jpg;*.jpeg|BMP(*.bmp)|*.bmp|PNG(*.png)|*.png");
  EXPECT_EQ(asked.DefaultExt, "png");
  EXPECT_EQ(asked.FilterIndex, 3);
  EXPECT_TRUE(asked.OverwritePrompt);
  // An extension we do not write: nothing, but SaveDir follows the choice.
  EXPECT_FALSE(std::filesystem::exists(dir / "out/copy.tif"));
  EXPECT_EQ(settings.SaveDir, ExtractFilePath(dir / "out/copy.tif"));

  viewer->mnVerticalClick();
  dialogs.AnswerSave(FileDialogResult{dir / "out/copy.JPEG", 1});
  viewer->mnVSaveAsClick();
  TJPEGImage back;
  back.LoadFromFile(dir / "out/copy.JPEG");
  EXPECT_EQ(back.Width(), 20);

  dialogs.AnswerSave(std::nullopt);
  settings.SaveDir = "/elsewhere/";
  viewer->mnVSaveAsClick();
  EXPECT_EQ(settings.SaveDir, "/elsewhere/");
}

TEST_F(ViewCommands, MoveWithAutomaticRenamingShowsTheNextImage) {
  Bmp("a.jpg.bmp", 10, 10);  // keeps the list two long
  TJPEGImage jpeg;
  jpeg.Assign(test::Pattern(12, 12, TPixelFormat::pf24bit));
  jpeg.SaveToFile(dir / "a.jpg");
  TempDir target;
  std::ofstream(target / "a.jpg") << "1";
  std::ofstream(target / "a0.jpg") << "2";
  settings.MoveFolders[2] = target.Path();
  settings.MoveClashMode = 1;
  Open(0);
  ASSERT_EQ(ExtractFileName(list.CurrentFile()), "a.jpg");
  viewer->mnVMoveClick(3);
  EXPECT_TRUE(std::filesystem::exists(target / "a00.jpg"));
  EXPECT_FALSE(std::filesystem::exists(dir / "a.jpg"));
  EXPECT_EQ(ExtractFileName(list.CurrentFile()), "a.jpg.bmp");
  EXPECT_EQ(viewer->ShownWidth, 10);
  EXPECT_EQ(dialogs.MessageTexts(), (std::vector<std::string>{kMovedMessage}));
}

TEST_F(ViewCommands, MovingTheLastFileOrdersTheMessagesByHowItMoved) {
  TempDir target;
  settings.MoveFolders[0] = target.Path();
  settings.MoveClashMode = 1;
  Bmp("a.bmp", 4, 4);
  Open();
  viewer->mnVMoveClick(1);  // the plain move: the message first
  EXPECT_EQ(dialogs.MessageTexts(), (std::vector<std::string>{kMovedMessage, kNoFilesLeft}));
  EXPECT_TRUE(surface.closed);

  dialogs.Clear();
  Bmp("a.bmp", 4, 4);
  surface.closed = false;
  Open();
  viewer->mnVMoveClick(1);  // a clash renamed: the window closes before the message
  EXPECT_EQ(dialogs.MessageTexts(), (std::vector<std::string>{kNoFilesLeft, kMovedMessage}));
  EXPECT_TRUE(std::filesystem::exists(target / "a0.bmp"));
}

TEST_F(ViewCommands, DeletingTheLastFileClosesTheWindowAfterTheMessage) {
  Bmp("a.bmp", 4, 4);
  settings.DeleteMethod = 2;
  settings.DeleteNoConfirm = true;
  Open();
  surface.log.clear();
  viewer->mnVDelClick();
  EXPECT_FALSE(std::filesystem::exists(dir / "a.bmp"));
  EXPECT_EQ(dialogs.MessageTexts(), (std::vector<std::string>{kNoFilesLeft}));
  EXPECT_EQ(surface.log.back(), "close");
}

// The catalog's view hides the file commands of its pop-up only: the menu bar keeps them,
// and a removal goes through the owner so the catalog drops its entry too.
TEST_F(ViewCommands, CatalogsViewKeepsTheMenuBarsFileCommands) {
  Bmp("a.bmp", 4, 4);
  Bmp("b.bmp", 4, 4);
  TempDir copies, target;
  settings.DeleteMethod = 2;
  settings.DeleteNoConfirm = true;
  settings.CopyFolders[0] = copies.Path();
  settings.MoveFolders[0] = target.Path();
  bool renamed = false;
  owner.Rename = [&] { renamed = true; };
  std::vector<int> removed;
  owner.RemoveEntry = [&](int count, int index) {
    removed.push_back(index);
    RemoveEntry(list, count, index);
  };
  Open();
  HideFileCommands(viewer->Menus);
  for (const char* item : {"pmVRename", "pmVCopy", "pmVMove", "pmVDel", "N2", "N1"})
    EXPECT_FALSE(viewer->Menus.Visible(item)) << item;
  for (const char* item : {"mnVRename", "mnVCopy", "mnVMove", "mnVDel"})
    EXPECT_TRUE(viewer->Menus.Visible(item)) << item;
  viewer->mnVCpyClick(1);
  viewer->mnVRenameClick();
  EXPECT_TRUE(renamed);
  viewer->mnVMoveClick(1);
  EXPECT_EQ(removed, std::vector<int>{0});
  viewer->mnVDelClick();
  EXPECT_EQ(removed, (std::vector<int>{0, 0}));
  EXPECT_EQ(test::SortedNames(copies.Path()), std::vector<std::string>{"a.bmp"});
  EXPECT_EQ(test::SortedNames(target.Path()), std::vector<std::string>{"a.bmp"});
  EXPECT_FALSE(std::filesystem::exists(dir / "b.bmp"));
  EXPECT_EQ(list.Count(), 0);
}

// "No Picture" has nothing to trim or turn: the user is told so as for any picture.
TEST_F(ViewCommands, EditsOfNoPictureSayWhy) {
  std::ofstream(dir / "x.bmp") << "not a picture";
  Open();
  ASSERT_TRUE(viewer->ShowingNoPicture());
  viewer->mnVTrimingClick();
  EXPECT_EQ(dialogs.LastMessage().Text, kNoTrimRangeMessage);
  for (auto command : {&TViewer::mnRightRotateClick, &TViewer::mnLeftRotateClick,
                       &TViewer::mnHorizonClick, &TViewer::mnVerticalClick}) {
    try {
      ((*viewer).*command)();
      ADD_FAILURE() << "no error";
    } catch (const ERotateError& e) {
      EXPECT_STREQ(e.what(), kBitmapSizeError);
    }
    EXPECT_TRUE(viewer->ShowingNoPicture());
  }
}

// A name typed without an extension takes the type chosen in the dialog.
TEST_F(ViewCommands, SaveAsTakesTheChosenTypeForANameWithoutExtension) {
  ASSERT_TRUE(SavePictureAsKind(test::Pattern(20, 10, TPixelFormat::pf24bit), dir / "a.png", "png",
                                settings));
  Open();
  dialogs.AnswerSave(FileDialogResult{dir / "a2rot", 2});
  viewer->mnVSaveAsClick();
  EXPECT_FALSE(std::filesystem::exists(dir / "a2rot"));
  EXPECT_FALSE(std::filesystem::exists(dir / "a2rot.png"));
  EXPECT_EQ(test::ReadText(dir / "a2rot.bmp").substr(0, 2), "BM");
  dialogs.AnswerSave(FileDialogResult{dir / "b", 1});
  viewer->mnVSaveAsClick();
  TJPEGImage jpeg;
  jpeg.LoadFromFile(dir / "b.jpg");
  EXPECT_EQ(jpeg.Width(), 20);
}

TEST(DialogExtensions, ChosenRowsExtension) {
  const std::string filter = "JPEG(*.jpg,*.jpeg)|*.jpg;*.jpeg|BMP(*.bmp)|*.bmp|All|*.*";
  EXPECT_EQ(FilterRowExtension(filter, 1), "jpg");
  EXPECT_EQ(FilterRowExtension(filter, 2), "bmp");
  EXPECT_EQ(FilterRowExtension(filter, 3), "");
  EXPECT_EQ(FilterRowExtension(filter, 4), "");
  EXPECT_EQ(FilterRowExtension(filter, 0), "");
  FileDialogRequest request;
  request.Filter = filter;
  request.DefaultExt = "png";
  EXPECT_EQ(WithChosenExtension("/p/a", request, 2), "/p/a.bmp");
  EXPECT_EQ(WithChosenExtension("/p/a", request, 3), "/p/a.png");
  EXPECT_EQ(WithChosenExtension("/p/a.png", request, 2), "/p/a.png");
  EXPECT_EQ(WithChosenExtension("/p.d/a", request, 1), "/p.d/a.jpg");
  request.DefaultExt.clear();
  EXPECT_EQ(WithChosenExtension("/p/a", request, 2), "/p/a");
}

TEST_F(ViewCommands, ConversionItemsFollowTheExtensionAndGoToTheOwner) {
  std::ofstream(dir / "a.PNG") << "junk";
  std::vector<int> kinds;
  owner.Convert = [&](int kind) { kinds.push_back(kind); };
  Open();
  viewer->mnVConvertClick();
  const ViewMenuState& m = viewer->Menus;
  EXPECT_FALSE(m.IsEnabled("mnVConvertBtoJ"));
  EXPECT_FALSE(m.IsEnabled("mnVConvertJtoP"));
  EXPECT_TRUE(m.IsEnabled("mnVConvertPtoB"));
  EXPECT_TRUE(m.IsEnabled("mnVConvertPtoJ"));
  viewer->mnVConvertKindClick(5);
  EXPECT_EQ(kinds, std::vector<int>{5});
}

TEST_F(ViewCommands, RenameRunsTheOwnersDialogAndSetsTheCaptionAgain) {
  Bmp("a.bmp", 4, 4);
  owner.Rename = [&] {
    std::filesystem::rename(dir / "a.bmp", dir / "b.bmp");
    list.SetFolder(dir.Path());
    list.SetItemIndex(0);
  };
  Open();
  viewer->mnVRenameClick();
  EXPECT_EQ(surface.caption, "b.bmp  [1/1]");
  EXPECT_EQ(viewer->Loads(), 1);  // the picture is not read again
}

}  // namespace
}  // namespace verid
