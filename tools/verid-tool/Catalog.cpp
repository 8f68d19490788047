#include "Catalog.h"

#include <filesystem>
#include <stdexcept>

#include "app/FileList.h"
#include "base/Paths.h"
#include "base/Stream.h"
#include "catalog/CatalogBuild.h"
#include "catalog/CatalogFile.h"
#include "platform/NullPlatform.h"

namespace verid::tool {

namespace {

class QuietHost : public CatalogBuildHost {
 public:
  void BuildStarted() override {}
  void FileDone(const TBitmap&, const BuildProgress&) override {}
  bool StopRequested() override { return false; }
  void BuildEnded() override {}
};

// The list view of a maximised catalog window on a 1024 x 768 screen.
constexpr int kViewWidth = 1016, kViewHeight = 694;

}  // namespace

int MakeCatalog(const std::string& folder, const std::string& out, int size, int workers) {
  // The list enters the folder; the output name keeps meaning what it meant here.
  const std::string target = Utf8Of(std::filesystem::absolute(FsPath(out)));
  FileList list;
  list.SetFolder(folder);
  if (list.Count() == 0) throw std::runtime_error("No pictures in '" + folder + "'.");
  Catalog catalog;
  QuietHost host;
  NullPlatform platform;
  BuildOptions options;
  options.Workers = workers;
  BuildCatalog(list, size, catalog, host, platform, options);
  catalog.View.Width = kViewWidth;
  catalog.View.Height = kViewHeight;
  SaveCatalogFile(target, catalog);
  return static_cast<int>(catalog.Items.size());
}

std::string ListCatalog(const std::string& path) {
  TMemoryStream file;
  file.LoadFromFile(path);
  Catalog catalog;
  const CatalogReadResult r = ReadCatalog(file.Bytes().data(), file.Bytes().size(), catalog);
  if (!r.Ok) throw std::runtime_error("'" + path + "' is not a catalog: " + r.Detail + ".");
  std::string text = "size: " + std::to_string(catalog.Images.Width()) + "x" +
                     std::to_string(catalog.Images.Height()) + "\n";
  text += "thumbnails: " + std::to_string(catalog.Images.Count()) + "\n";
  text += "entries: " + std::to_string(catalog.Items.size()) + "\n";
  for (const CatalogEntry& e : catalog.Items)
    text += std::to_string(e.ImageIndex) + "\t" + e.Caption + "\n";
  return text;
}

}  // namespace verid::tool
