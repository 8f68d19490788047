#include "app/Browse.h"

#include <filesystem>

#include "base/Paths.h"
#include "imaging/Draw.h"
#include "imaging/Graphic.h"
#include "imaging/Jpeg.h"

namespace verid {

TMadePicture MakePreviewPicture(const std::string& path, TColor color) {
  TPicture picture;
  picture.LoadFromFile(path);
  TMadePicture made;
  // The sizes the window remembers are 16-bit.
  made.Width = static_cast<uint16_t>(picture.Width());
  made.Height = static_cast<uint16_t>(picture.Height());
  const TFitRect place = FitRect(made.Width, made.Height, kPreviewBox, kPreviewBox);
  made.Place = Bounds(place.Left, place.Top, place.Width, place.Height);
  const int w = place.Width, h = place.Height;
  made.Rendered = TBitmap(w, h, TPixelFormat::pf32bit);
  // Transparent parts show the panel's colour.
  FillRect(made.Rendered, Bounds(0, 0, w, h), color);
  if (TGraphic* graphic = picture.Graphic()) {
    ScaleJpegFor(graphic, w, h);
    StretchDraw(made.Rendered, Bounds(0, 0, w, h), *graphic);
  }
  return made;
}

PreviewResult MakePreview(const FileList& list, const AppSettings& settings, TLookAhead* ahead) {
  PreviewResult result;
  result.PositionText = list.PositionText();
  if (!HasCurrentFile(list)) return result;

  const std::string path = list.CurrentFile();
  try {
    const TColor color = settings.PreviewColor;
    TMadePicture made;
    if (ahead) {
      ahead->SetMaker("preview " + std::to_string(color),
                      [color](const std::string& p) { return MakePreviewPicture(p, color); });
      made = ahead->Take(path);
    } else {
      made = MakePreviewPicture(path, color);
    }
    result.PictureWidth = static_cast<uint16_t>(made.Width);
    result.PictureHeight = static_cast<uint16_t>(made.Height);
    result.Place = FitRect(result.PictureWidth, result.PictureHeight, kPreviewBox, kPreviewBox);
    result.Image = std::make_unique<TBitmap>(std::move(made.Rendered));
    result.State = PreviewResult::Kind::Picture;
    result.PanelColor = settings.PreviewColor;
  } catch (const EInvalidGraphic&) {
    result.State = PreviewResult::Kind::NoPicture;
    result.Place = TFitRect{};
    result.Image.reset();
    result.PictureWidth = result.PictureHeight = 0;
  }
  result.StatusPath = path;
  result.StatusSize = FormatThousands(FileSizeOf(path)) + kByteSuffix;
  return result;
}

bool GoPrevious(FileList& list, Dialogs& dialogs) {
  if (!HasCurrentFile(list)) return false;
  const int index = list.ItemIndex() - 1;
  if (index < 0) {
    list.SetItemIndex(0);
    if (dialogs.ConfirmYesNo(kFirstFileQuestion)) list.SetItemIndex(list.Count() - 1);
  } else {
    list.SetItemIndex(index);
  }
  return true;
}

bool GoNext(FileList& list, Dialogs& dialogs) {
  if (!HasCurrentFile(list)) return false;
  const int index = list.ItemIndex() + 1;
  if (index >= list.Count()) {
    list.SetItemIndex(list.Count() - 1);
    if (dialogs.ConfirmYesNo(kLastFileQuestion)) list.SetItemIndex(0);
  } else {
    list.SetItemIndex(index);
  }
  return true;
}

bool GoFirst(FileList& list) {
  list.SetItemIndex(0);
  return HasCurrentFile(list);
}

bool GoLast(FileList& list) {
  list.SetItemIndex(list.Count() - 1);
  return HasCurrentFile(list);
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  const std::filesystem::path given = FsPath(path);
  if (given.is_absolute()) return path;
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(given, ec);
  return ec ? path : Utf8Of(absolute);
}

bool OpensAsCatalog(const std::string& path) {
  return ExtractFileExt(path) == ".doz" && !DirectoryExists(path);
}

void OpenInList(FileList& list, Platform& platform, const std::string& path, bool isFile,
                const std::function<void()>& shown) {
  const std::string target = AbsolutePath(path);
  list.SetFolder(ExcludeTrailingDelim(ProgramFolder(platform)));
  if (shown) shown();
  list.SetFolder(isFile ? ExtractFilePath(target) : target);
  if (shown) shown();
  list.SetItemIndex(isFile ? list.IndexOf(ExtractFileName(target)) : 0);
}

}  // namespace verid
