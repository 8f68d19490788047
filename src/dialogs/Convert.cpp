#include "dialogs/Convert.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "app/Browse.h"
#include "app/Hanyou.h"
#include "imaging/Bitmap.h"
#include "imaging/Graphic.h"
#include "imaging/Jpeg.h"
#include "imaging/ZUDIRA.h"

namespace verid {

namespace fs = std::filesystem;

namespace {

constexpr ConvertKindInfo kKinds[kConvertKindCount] = {
    {"BMP->JPEG", ImageFormat::Bmp, ImageFormat::Jpeg, "*.bmp", ".jpg"},
    {"BMP->PNG", ImageFormat::Bmp, ImageFormat::Png, "*.bmp", ".png"},
    {"JPEG->BMP", ImageFormat::Jpeg, ImageFormat::Bmp, "*.jpg;*.jpeg", ".bmp"},
    {"JPEG->PNG", ImageFormat::Jpeg, ImageFormat::Png, "*.jpg;*.jpeg", ".png"},
    {"PNG->BMP", ImageFormat::Png, ImageFormat::Bmp, "*.png", ".bmp"},
    {"PNG->JPEG", ImageFormat::Png, ImageFormat::Jpeg, "*.png", ".jpg"},
};

std::unique_ptr<TGraphic> NewGraphic(ImageFormat format) {
  switch (format) {
    case ImageFormat::Bmp:
      return std::make_unique<TBitmap>();
    case ImageFormat::Jpeg:
      return std::make_unique<TJPEGImage>();
    case ImageFormat::Png:
      return std::make_unique<ZOVIDUD>();
  }
  return nullptr;
}

// "*.jpg;*.jpeg" -> {".jpg", ".jpeg"}.
std::vector<std::string> MaskExtensions(const std::string& mask) {
  std::vector<std::string> exts;
  size_t start = 0;
  while (start <= mask.size()) {
    size_t end = mask.find(';', start);
    if (end == std::string::npos) end = mask.size();
    std::string part = mask.substr(start, end - start);
    if (part.rfind("*", 0) == 0) part.erase(0, 1);
    if (!part.empty()) exts.push_back(LowerCase(part));
    start = end + 1;
  }
  return exts;
}

std::string OutputName(const std::string& name, int kind) {
  return ChangeFileExt(ExtractFileName(name), ConvertKindOf(kind).NewExt);
}

}  // namespace

const ConvertKindInfo& ConvertKindOf(int kind) {
  if (kind < 0 || kind >= kConvertKindCount)
    throw std::out_of_range("ConvertKind " + std::to_string(kind));
  return kKinds[kind];
}

std::optional<ImageFormat> FormatOfExtension(const std::string& extension) {
  std::string ext = LowerCase(extension);
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  if (ext == "bmp") return ImageFormat::Bmp;
  if (ext == "jpg" || ext == "jpeg") return ImageFormat::Jpeg;
  if (ext == "png") return ImageFormat::Png;
  return std::nullopt;
}

std::string ConvertDoneMessage(const std::string& folder) {
  return "変換ﾌｧｲﾙを " + folder + " に作成しました";
}

// --- the conversion step ----------------------------------------------------------------

std::unique_ptr<TFileReplacement> WriteConverted(const std::string& source, ImageFormat from,
                                                 const std::string& target, ImageFormat to,
                                                 const AppSettings& settings) {
  std::unique_ptr<TGraphic> input = NewGraphic(from);
  LoadAsKind(*input, source);
  std::unique_ptr<TGraphic> output = NewGraphic(to);
  // A JPEG target takes the raster, so it is compressed at the configured quality even
  // from a JPEG source. A damaged JPEG source fails here, when its pixels are first needed.
  if (to == ImageFormat::Jpeg)
    output->Assign(input->ColorRaster());
  else
    output->Assign(*input);
  input.reset();
  ApplyEncoderSettings(*output, settings);
  auto file = std::make_unique<TFileReplacement>(target);
  output->SaveToStream(file->Stream());
  file->Complete();
  return file;
}

void ConvertImageFile(const std::string& source, ImageFormat from, const std::string& target,
                      ImageFormat to, const AppSettings& settings) {
  WriteConverted(source, from, target, to, settings)->Place();
}

// --- single file ------------------------------------------------------------------------

OpResult ConvertCurrent(FileOpEnv env, int kind) {
  if (!HasCurrentFile(env.List)) return OpResult::Nothing;
  const ConvertKindInfo& info = ConvertKindOf(kind);
  const std::string source = env.List.CurrentFile();
  std::string folder;
  switch (env.Settings.ConvertTarget) {
    case 0:
      folder = ExtractFilePath(source);
      break;
    case 1:
      if (!ChooseOtherFolder(env.Settings, env.Dlg)) return OpResult::Cancelled;
      folder = env.Settings.OtherFolder;
      break;
    default:
      return OpResult::Nothing;
  }
  ConvertImageFile(source, info.From, JoinPath(folder, OutputName(source, kind)), info.To,
                   env.Settings);
  env.Dlg.Information(ConvertDoneMessage(folder));
  return OpResult::Done;
}

// --- the batch window -------------------------------------------------------------------

std::vector<std::string> ConvertSources(const std::string& folder, int kind) {
  const std::vector<std::string> exts = MaskExtensions(ConvertKindOf(kind).Mask);
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(fs::path(folder), ec);
  if (ec) return names;
  for (auto end = fs::directory_iterator(); it != end; it.increment(ec)) {
    if (ec) break;
    std::string name = it->path().filename().string();
    if (name.empty() || name.front() == '.') continue;  // hidden
    std::string ext = LowerCase(ExtractFileExt(name));
    if (std::find(exts.begin(), exts.end(), ext) == exts.end()) continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return LessText(a, b); });
  return names;
}

ConvertFormState MakeConvertFormState(int fileCount, const std::string& destination,
                                      ConvertPhase phase) {
  ConvertFormState state;
  if (fileCount <= 0) {
    state.Label = kConvertNothing;
  } else {
    state.FolderEnabled = true;
    state.Label =
        destination.empty() ? std::string(kConvertPrompt) : kConvertDestinationPrefix + destination;
    state.StartEnabled = !destination.empty();
  }
  state.CancelEnabled = phase == ConvertPhase::Idle;
  return state;
}

std::optional<std::string> ChooseConvertDestination(AppSettings& settings, Dialogs& dialogs) {
  std::string chosen;
  if (!ChooseOtherFolder(settings, dialogs, false, &chosen)) return std::nullopt;
  return AddSlash(chosen);
}

void RunBatchConvert(int kind, const std::string& folder, const std::vector<std::string>& names,
                     const std::string& destination, const AppSettings& settings, Dialogs& dialogs,
                     ConvertRunHost& host, int /*workers*/) {
  const ConvertKindInfo& info = ConvertKindOf(kind);
  for (size_t i = 0; i < names.size(); ++i) {
    host.Select(static_cast<int>(i));
    const std::string name = OutputName(names[i], kind);
    ConvertImageFile(JoinPath(folder, names[i]), info.From, JoinPath(destination, name), info.To,
                     settings);
    host.Added(name);
  }
  dialogs.Information(ConvertDoneMessage(destination));
}

}  // namespace verid
