// Catalog files (.doz): record A holds the thumbnail store, record B the list view with
// its entries, both in the widget toolkit's binary object-stream encoding. Written to the
// byte as the program always wrote them; read leniently, never past the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/FileList.h"
#include "app/Settings.h"
#include "catalog/ImageList.h"

namespace verid {

inline constexpr const char* kDozFilter = "Veridｶﾀﾛｸﾞ形式(*.doz)|*.doz";
inline constexpr const char* kDozExt = "doz";
inline constexpr const char* kNotDozMessage =
    "拡張子が誤って付けられています\r\nこのﾌｧｲﾙは.dozではありません";
inline constexpr size_t kMaxStrBytes = 255;

// One entry of the list view. The caption is held as the program holds names (UTF-8, or
// the file system's bytes when they are not UTF-8).
struct CatalogEntry {
  std::string Caption;
  int32_t ImageIndex = 0;
  int32_t StateIndex = -1;
  int32_t OverlayIndex = -1;
  int32_t Data = 0;
  std::vector<std::string> SubItems;
  std::vector<int16_t> SubItemImages;  // as read; -1 for each sub-item when absent
  bool operator==(const CatalogEntry&) const = default;
};

// The list view's other properties, as record B carries them.
struct CatalogView {
  std::string Name = "ListView";
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  std::string Align = "alClient";
  int32_t AllocBy = 0;
  TColor Color = 0x808080;  // clGray
  bool AutoArrange = true;
  // The pop-up menu reference, resolved by name by whoever shows the list ("" = none).
  std::string PopupMenu = "CatarogForm.PopupMenu1";
  int32_t TabOrder = 0;
};

struct Catalog {
  TImageList Images;
  std::string StoreName;  // record A's component name (always empty in catalogs)
  CatalogView View;
  std::vector<CatalogEntry> Items;
  // Empties entries and thumbnails (a remake starts from here).
  void Clear();
};

// --- text -------------------------------------------------------------------------------
// The Str bytes of a caption: CP932, or (for text CP932 cannot hold) its bytes behind the
// settings file's raw marker, so it reads back unchanged; cut to 255 bytes at a character
// boundary.
std::string EncodeCaption(const std::string& caption);
std::string DecodeCaption(const std::string& bytes);

// --- records ----------------------------------------------------------------------------
std::vector<uint8_t> WriteStoreRecord(const Catalog& catalog);  // record A
std::vector<uint8_t> WriteListRecord(const Catalog& catalog);   // record B
// The "Items.Data" block.
std::vector<uint8_t> WriteItemsData(const std::vector<CatalogEntry>& items);
// Both records, one after the other: the whole file.
std::vector<uint8_t> WriteCatalog(const Catalog& catalog);

struct CatalogReadResult {
  bool Ok = true;
  std::string Detail;  // what was wrong, for tools and tests (the user sees kNotDozMessage)
  size_t Used = 0;     // bytes the two records took
};
// Reads both records into `into` (which should be fresh), applying each property as it is
// read: after a failure, what was read before it stays.
CatalogReadResult ReadCatalog(const uint8_t* data, size_t size, Catalog& into);

// --- commands ---------------------------------------------------------------------------
// Writes the file, replacing it only once the new content is complete.
void SaveCatalogFile(const std::string& path, const Catalog& catalog);
// Loads the whole file (a file that cannot be read throws EFileError) and reads it; a file
// that is not a catalog gives the error box and false, keeping what was read.
bool OpenCatalogFile(const std::string& path, Catalog& into, Dialogs& dialogs);

// The save dialog: the remembered catalog folder, the list's current file name without
// folder and extension, the catalog filter and extension, asking before replacing.
FileDialogRequest CatalogSaveRequest(const FileList& list, const AppSettings& settings);
// Asks for the name and saves; the chosen folder becomes CatarogDir. False when cancelled.
bool SaveCatalogAs(const Catalog& catalog, const FileList& list, AppSettings& settings,
                   Dialogs& dialogs);

}  // namespace verid
