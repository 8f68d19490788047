#include "app/PictureOps.h"

#include "app/Hanyou.h"
#include "app/Settings.h"

namespace verid {

TEncoderSettings EncoderSettingsOf(const AppSettings& settings) {
  TEncoderSettings encoder;
  encoder.JpegQuality = settings.JpegQuality;
  encoder.PngCompressLevel = settings.PngCompressLevel;
  return encoder;
}

void ApplyEncoderSettings(TGraphic& graphic, const AppSettings& settings) {
  ApplyEncoderSettings(graphic, EncoderSettingsOf(settings));
}

bool SavePictureAsKind(const TGraphic& picture, const std::string& path,
                       const std::string& extension, const AppSettings& settings) {
  return SavePictureAsKind(picture, path, extension, EncoderSettingsOf(settings));
}

bool SaveDisplayedPicture(const TGraphic& picture, const std::string& path,
                          const AppSettings& settings) {
  return SavePictureAsKind(picture, path, ExtractFileExt(path), settings);
}

FileDialogRequest SaveAsDialogRequest(const std::string& selectedFile,
                                      const AppSettings& settings) {
  FileDialogRequest request;
  request.InitialDir = settings.SaveDir;
  request.FileName = ChangeFileExt(ExtractFileName(selectedFile), "");
  request.Filter = kSaveAsFilter;
  request.DefaultExt = "bmp";
  request.FilterIndex = 1;
  request.OverwritePrompt = true;
  const std::string ext = LowerCase(ExtractFileExt(selectedFile));
  if (ext == ".jpg" || ext == ".jpeg") {
    request.DefaultExt = "jpg";
    request.FilterIndex = 1;
  } else if (ext == ".bmp") {
    request.DefaultExt = "bmp";
    request.FilterIndex = 2;
  } else if (ext == ".png") {
    request.DefaultExt = "png";
    request.FilterIndex = 3;
  }
  return request;
}

TSaveAsResult SaveDisplayedPictureAs(const TGraphic& picture, const std::string& chosenName,
                                     const AppSettings& settings) {
  TSaveAsResult result;
  result.SaveDir = ExtractFilePath(chosenName);
  result.Saved = SaveDisplayedPicture(picture, chosenName, settings);
  return result;
}

void ShowUnsupportedPixelFormat(Dialogs& dialogs) {
  MessageRequest request;
  request.Kind = MsgKind::Error;
  request.Text = kUnsupportedPixelFormatMessage;
  request.Buttons = {MsgButton::Cancel};
  request.ButtonCaptions = {"ｷｬﾝｾﾙ"};
  dialogs.Message(request);
}

}  // namespace verid
