#include "catalog/CatalogFile.h"

#include <array>
#include <cstring>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string_view>

#include "app/Cp932.h"
#include "app/Hanyou.h"
#include "base/Stream.h"

namespace verid {

namespace {

// Same marker as the settings file: its first two bytes are no CP932 character.
constexpr std::string_view kRawMarker = "\xEF\xBB\xBF";

// Value type bytes of the object stream.
enum : uint8_t {
  vaNull = 0x00,
  vaList = 0x01,
  vaInt8 = 0x02,
  vaInt16 = 0x03,
  vaInt32 = 0x04,
  vaIdent = 0x07,
  vaFalse = 0x08,
  vaTrue = 0x09,
  vaBinary = 0x0A,
  vaNil = 0x0D,
  vaCollection = 0x0E,
};

constexpr std::array<uint8_t, 4> kSignature = {'T', 'P', 'F', '0'};

struct NamedColour {
  const char* Name;
  TColor Value;
};
constexpr NamedColour kColours[] = {
    {"clBlack", 0x000000}, {"clMaroon", 0x000080},  {"clGreen", 0x008000},
    {"clOlive", 0x008080}, {"clNavy", 0x800000},    {"clPurple", 0x800080},
    {"clTeal", 0x808000},  {"clGray", 0x808080},    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},   {"clLime", 0x00FF00},    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},  {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF}, {"clNone", 0x1FFFFFFF},  {"clDefault", 0x20000000},
};

// Identifier texts that the stream writes as values of their own.
bool IsValueWord(std::string_view s) {
  return SameText(s, "False") || SameText(s, "True") || SameText(s, "Null") || SameText(s, "nil");
}

// --- writing ----------------------------------------------------------------------------

class Out {
 public:
  explicit Out(std::vector<uint8_t>& bytes) : b_(bytes) {}
  void Byte(uint8_t v) { b_.push_back(v); }
  void Raw(const void* data, size_t n) {
    if (n == 0) return;
    const size_t at = b_.size();
    b_.resize(at + n);
    std::memcpy(b_.data() + at, data, n);
  }
  void I16(int32_t v) {
    Byte(static_cast<uint8_t>(v));
    Byte(static_cast<uint8_t>(v >> 8));
  }
  void I32(int32_t v) {
    I16(v & 0xFFFF);
    I16(static_cast<int32_t>(static_cast<uint32_t>(v) >> 16));
  }
  void Str(std::string_view s) {
    if (s.size() > kMaxStrBytes) s = s.substr(0, kMaxStrBytes);
    Byte(static_cast<uint8_t>(s.size()));
    Raw(s.data(), s.size());
  }
  // In the smallest of the three widths that holds it.
  void Int(int32_t v) {
    if (v >= -128 && v <= 127) {
      Byte(vaInt8);
      Byte(static_cast<uint8_t>(v));
    } else if (v >= -32768 && v <= 32767) {
      Byte(vaInt16);
      I16(v);
    } else {
      Byte(vaInt32);
      I32(v);
    }
  }
  void Ident(std::string_view s) {
    if (SameText(s, "False")) return Byte(vaFalse);
    if (SameText(s, "True")) return Byte(vaTrue);
    if (SameText(s, "Null")) return Byte(vaNull);
    if (SameText(s, "nil")) return Byte(vaNil);
    Byte(vaIdent);
    Str(s);
  }
  void Bool(bool v) { Byte(v ? vaTrue : vaFalse); }
  void Colour(TColor c) {
    for (const auto& n : kColours)
      if (n.Value == c) return Ident(n.Name);
    Int(c);
  }
  // A block put together in place; its length goes in front once it is known.
  void Binary(const std::function<void(std::vector<uint8_t>&)>& fill) {
    Byte(vaBinary);
    const size_t at = b_.size();
    I32(0);
    fill(b_);
    const size_t n = b_.size() - at - 4;
    if (n > size_t(std::numeric_limits<int32_t>::max()))
      throw std::length_error("ｶﾀﾛｸﾞが大きすぎて保存できません");
    for (int i = 0; i < 4; ++i) b_[at + size_t(i)] = static_cast<uint8_t>(n >> (8 * i));
  }
  void Begin(std::string_view className, std::string_view name) {
    Raw(kSignature.data(), kSignature.size());
    Str(className);
    Str(name);
  }
  void End() {
    Byte(0);  // end of properties
    Byte(0);  // end of children
  }

 private:
  std::vector<uint8_t>& b_;
};

// --- reading ----------------------------------------------------------------------------

struct ReadError {
  std::string What;
};
[[noreturn]] void Fail(std::string what) {
  throw ReadError{std::move(what)};
}

class In {
 public:
  In(const uint8_t* data, size_t size) : p_(data), size_(size) {}
  size_t Pos() const { return pos_; }
  size_t Left() const { return size_ - pos_; }
  void Need(size_t n) const {
    if (Left() < n) Fail("data ends early");
  }
  uint8_t Byte() {
    Need(1);
    return p_[pos_++];
  }
  uint8_t Peek() const {
    Need(1);
    return p_[pos_];
  }
  int16_t I16() {
    Need(2);
    const auto v = static_cast<int16_t>(p_[pos_] | p_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
  }
  int32_t I32() {
    Need(4);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | p_[pos_ + size_t(i)];
    pos_ += 4;
    return static_cast<int32_t>(v);
  }
  std::string Str() {
    const size_t n = Byte();
    Need(n);
    std::string s(reinterpret_cast<const char*>(p_ + pos_), n);
    pos_ += n;
    return s;
  }
  const uint8_t* Take(size_t n) {
    Need(n);
    const uint8_t* at = p_ + pos_;
    pos_ += n;
    return at;
  }

 private:
  const uint8_t* p_;
  size_t size_;
  size_t pos_ = 0;
};

struct Value {
  uint8_t Type = vaNull;
  int32_t Int = 0;
  std::string Text;  // identifiers
  const uint8_t* Block = nullptr;
  size_t BlockSize = 0;
};

void ReadProperties(In& in, int depth);

Value ReadValue(In& in, int depth) {
  Value v;
  v.Type = in.Byte();
  switch (v.Type) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
      break;
    case vaInt8:
      v.Int = static_cast<int8_t>(in.Byte());
      break;
    case vaInt16:
      v.Int = in.I16();
      break;
    case vaInt32:
      v.Int = in.I32();
      break;
    case vaIdent:
      v.Text = in.Str();
      break;
    case vaBinary: {
      const int32_t n = in.I32();
      if (n < 0) Fail("negative block length");
      v.BlockSize = size_t(n);
      v.Block = in.Take(v.BlockSize);
      break;
    }
    case vaCollection:
      // Items: an optional order value, then 0x01, properties, 0x00; 0x00 at the end.
      if (depth > 8) Fail("collections nested too deep");
      for (;;) {
        uint8_t b = in.Byte();
        if (b == vaNull) break;
        if (b == vaInt8 || b == vaInt16 || b == vaInt32) {
          in.Take(b == vaInt8 ? 1 : b == vaInt16 ? 2 : 4);
          b = in.Byte();
        }
        if (b != vaList) Fail("malformed collection");
        ReadProperties(in, depth + 1);
      }
      break;
    default:
      Fail("value type " + std::to_string(v.Type));
  }
  return v;
}

// The properties of a collection item; columns mean nothing in an icon view, so they are
// checked for form and dropped.
void ReadProperties(In& in, int depth) {
  for (std::string name = in.Str(); !name.empty(); name = in.Str()) ReadValue(in, depth);
}

int32_t AsInt(const Value& v, const std::string& name) {
  if (v.Type != vaInt8 && v.Type != vaInt16 && v.Type != vaInt32) Fail(name + " needs an integer");
  return v.Int;
}
bool AsBool(const Value& v, const std::string& name) {
  if (v.Type != vaFalse && v.Type != vaTrue) Fail(name + " needs a boolean");
  return v.Type == vaTrue;
}
std::string AsEnum(const Value& v, const std::string& name,
                   std::initializer_list<const char*> allowed) {
  if (v.Type == vaIdent)
    for (const char* a : allowed)
      if (SameText(v.Text, a)) return a;
  Fail(name + " needs one of its names");
}
TColor AsColour(const Value& v, const std::string& name) {
  if (v.Type == vaIdent) {
    for (const auto& n : kColours)
      if (SameText(v.Text, n.Name)) return n.Value;
    Fail(name + ": unknown colour " + v.Text);
  }
  return AsInt(v, name);
}
void AsBlock(const Value& v, const std::string& name) {
  if (v.Type != vaBinary) Fail(name + " needs a binary block");
}

// "TPF0", the optional flag byte, the class name (the record is applied to the object we
// have whatever it says); returns the component name.
std::string ReadRecordHead(In& in) {
  const uint8_t* sig = in.Take(4);
  if (std::memcmp(sig, kSignature.data(), 4) != 0) Fail("no TPF0 signature");
  const uint8_t flags = in.Peek();
  if ((flags & 0xF0) == 0xF0) {
    in.Byte();
    if (flags & 0x02) AsInt(ReadValue(in, 0), "child position");
  }
  in.Str();
  return in.Str();
}

void ReadNoChildren(In& in) {
  if (in.Byte() != 0) Fail("child components");
}

void ReadItemsData(const Value& v, std::vector<CatalogEntry>& items) {
  In block(v.Block, v.BlockSize);
  const int32_t size = block.I32();
  if (size < 8 || size_t(size) > v.BlockSize) Fail("Items.Data size");
  In in(v.Block, size_t(size));
  in.Take(4);
  const int32_t count = in.I32();
  if (count < 0) Fail("Items.Data count");
  items.clear();
  for (int32_t k = 0; k < count; ++k) {
    CatalogEntry e;
    e.ImageIndex = in.I32();
    e.StateIndex = in.I32();
    e.OverlayIndex = in.I32();
    const int32_t subCount = in.I32();
    e.Data = in.I32();
    e.Caption = DecodeCaption(in.Str());
    if (subCount < 0 || size_t(subCount) > in.Left()) Fail("sub-item count");
    for (int32_t j = 0; j < subCount; ++j) e.SubItems.push_back(DecodeCaption(in.Str()));
    items.push_back(std::move(e));
  }
  if (in.Left() == 0) return;
  for (auto& e : items)
    for (size_t j = 0; j < e.SubItems.size(); ++j) e.SubItemImages.push_back(in.I16());
}

void ReadStore(In& in, Catalog& c) {
  c.StoreName = ReadRecordHead(in);
  for (std::string name = in.Str(); !name.empty(); name = in.Str()) {
    const Value v = ReadValue(in, 0);
    if (name == "AllocBy") {
      c.Images.SetAllocBy(AsInt(v, name));
    } else if (name == "Height" || name == "Width") {
      const int32_t side = AsInt(v, name);
      if (side < 1 || side > kMaxCellSide) Fail(name + " out of range");
      name == "Height" ? c.Images.SetHeight(side) : c.Images.SetWidth(side);
    } else if (name == "Bitmap") {
      AsBlock(v, name);
      try {
        c.Images.ReadStrip(v.Block, v.BlockSize);
      } catch (const EStripError& e) {
        Fail(std::string("Bitmap: ") + e.what());
      }
    } else if (name == "BkColor" || name == "BlendColor") {
      AsColour(v, name);
    } else if (name == "DrawingStyle") {
      AsEnum(v, name, {"dsFocus", "dsSelected", "dsNormal", "dsTransparent"});
    } else if (name == "ImageType") {
      AsEnum(v, name, {"itImage", "itMask"});
    } else if (name == "Masked" || name == "ShareImages") {
      AsBool(v, name);
    } else if (name == "Tag") {
      AsInt(v, name);
    } else {
      Fail("the store has no property " + name);
    }
  }
  ReadNoChildren(in);
}

void ReadList(In& in, Catalog& c) {
  CatalogView& view = c.View;
  view.Name = ReadRecordHead(in);
  for (std::string name = in.Str(); !name.empty(); name = in.Str()) {
    const Value v = ReadValue(in, 0);
    if (name == "Left") {
      view.Left = AsInt(v, name);
    } else if (name == "Top") {
      view.Top = AsInt(v, name);
    } else if (name == "Width") {
      view.Width = AsInt(v, name);
    } else if (name == "Height") {
      view.Height = AsInt(v, name);
    } else if (name == "Align") {
      view.Align = AsEnum(
          v, name, {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"});
    } else if (name == "AllocBy") {
      view.AllocBy = AsInt(v, name);
    } else if (name == "Color") {
      view.Color = AsColour(v, name);
    } else if (name == "Columns") {
      if (v.Type != vaCollection) Fail(name + " needs a collection");
    } else if (name == "IconOptions.AutoArrange") {
      view.AutoArrange = AsBool(v, name);
    } else if (name == "Items.Data") {
      AsBlock(v, name);
      ReadItemsData(v, c.Items);
    } else if (name == "PopupMenu") {
      if (v.Type == vaNil || v.Type == vaNull)
        view.PopupMenu.clear();
      else if (v.Type == vaIdent)
        // Words that are values of their own name nothing that could be resolved.
        view.PopupMenu = IsValueWord(v.Text) ? std::string() : v.Text;
      else
        Fail(name + " needs a reference");
    } else if (name == "TabOrder") {
      view.TabOrder = AsInt(v, name);
    } else {
      Fail("the list view has no property " + name);
    }
  }
  ReadNoChildren(in);
}

size_t CutCp932(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const size_t len = IsCp932LeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
    if (i + len > kMaxStrBytes) break;
    i += len;
  }
  return std::min(i, s.size());
}

size_t CutUtf8(std::string_view s, size_t limit) {
  if (s.size() <= limit) return s.size();
  size_t i = limit;
  // Back to the start of the character the limit falls into.
  while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
  return i;
}

}  // namespace

void Catalog::Clear() {
  while (!Items.empty()) Items.pop_back();
  Images.Clear();
}

std::string EncodeCaption(const std::string& caption) {
  if (auto bytes = Utf8ToCp932(caption)) return bytes->substr(0, CutCp932(*bytes));
  const std::string cut = caption.substr(0, CutUtf8(caption, kMaxStrBytes - kRawMarker.size()));
  // The cut may have dropped what CP932 could not hold; then it is plain CP932 again, so
  // a caption read back is written back the same.
  if (auto bytes = Utf8ToCp932(cut)) return *bytes;
  return std::string(kRawMarker) + cut;
}

std::string DecodeCaption(const std::string& bytes) {
  if (bytes.compare(0, kRawMarker.size(), kRawMarker) == 0) return bytes.substr(kRawMarker.size());
  if (auto text = Cp932ToUtf8(bytes)) return *text;
  return bytes;
}

std::vector<uint8_t> WriteItemsData(const std::vector<CatalogEntry>& items) {
  std::vector<uint8_t> block;
  Out out(block);
  out.I32(0);  // Size, filled in below
  out.I32(static_cast<int32_t>(items.size()));
  bool anySubItems = false;
  for (const CatalogEntry& e : items) {
    out.I32(e.ImageIndex);
    out.I32(e.StateIndex);
    out.I32(e.OverlayIndex);
    out.I32(static_cast<int32_t>(e.SubItems.size()));
    out.I32(e.Data);
    out.Str(EncodeCaption(e.Caption));
    for (const std::string& s : e.SubItems) out.Str(EncodeCaption(s));
    anySubItems = anySubItems || !e.SubItems.empty();
  }
  if (anySubItems)
    for (const CatalogEntry& e : items)
      for (size_t j = 0; j < e.SubItems.size(); ++j)
        out.I16(j < e.SubItemImages.size() ? e.SubItemImages[j] : -1);
  const auto size = static_cast<uint32_t>(block.size());
  for (int i = 0; i < 4; ++i) block[size_t(i)] = static_cast<uint8_t>(size >> (8 * i));
  return block;
}

namespace {

void AppendStoreRecord(std::vector<uint8_t>& bytes, const Catalog& catalog) {
  const TImageList& store = catalog.Images;
  Out out(bytes);
  out.Begin("TImageList", catalog.StoreName);
  if (store.AllocBy() != 4) {
    out.Str("AllocBy");
    out.Int(store.AllocBy());
  }
  out.Str("Height");
  out.Int(store.Height());
  out.Str("Width");
  out.Int(store.Width());
  if (store.Count() > 0) {
    out.Str("Bitmap");
    out.Binary([&](std::vector<uint8_t>& b) { store.AppendStrip(b); });
  }
  out.End();
}

void AppendListRecord(std::vector<uint8_t>& bytes, const Catalog& catalog) {
  const CatalogView& view = catalog.View;
  Out out(bytes);
  out.Begin("TListView", view.Name);
  out.Str("Left");
  out.Int(view.Left);
  out.Str("Top");
  out.Int(view.Top);
  out.Str("Width");
  out.Int(view.Width);
  out.Str("Height");
  out.Int(view.Height);
  out.Str("Align");
  out.Ident(view.Align);
  if (view.AllocBy != 0) {
    out.Str("AllocBy");
    out.Int(view.AllocBy);
  }
  out.Str("Color");
  out.Colour(view.Color);
  out.Str("Columns");
  out.Byte(vaCollection);
  out.Byte(vaNull);
  out.Str("IconOptions.AutoArrange");
  out.Bool(view.AutoArrange);
  if (!catalog.Items.empty()) {
    out.Str("Items.Data");
    out.Binary([&](std::vector<uint8_t>& b) {
      const std::vector<uint8_t> items = WriteItemsData(catalog.Items);
      b.insert(b.end(), items.begin(), items.end());
    });
  }
  out.Str("PopupMenu");
  out.Ident(view.PopupMenu.empty() ? "nil" : view.PopupMenu);
  out.Str("TabOrder");
  out.Int(view.TabOrder);
  out.End();
}

}  // namespace

std::vector<uint8_t> WriteStoreRecord(const Catalog& catalog) {
  std::vector<uint8_t> bytes;
  AppendStoreRecord(bytes, catalog);
  return bytes;
}

std::vector<uint8_t> WriteListRecord(const Catalog& catalog) {
  std::vector<uint8_t> bytes;
  AppendListRecord(bytes, catalog);
  return bytes;
}

std::vector<uint8_t> WriteCatalog(const Catalog& catalog) {
  std::vector<uint8_t> bytes;
  AppendStoreRecord(bytes, catalog);
  AppendListRecord(bytes, catalog);
  return bytes;
}

CatalogReadResult ReadCatalog(const uint8_t* data, size_t size, Catalog& into) {
  CatalogReadResult result;
  In in(data, size);
  try {
    ReadStore(in, into);
    into.View.AllocBy = into.Images.Count();
    ReadList(in, into);
  } catch (const ReadError& e) {
    result.Ok = false;
    result.Detail = e.What + " at byte " + std::to_string(in.Pos());
  }
  // Anything after the list record is not part of the catalog.
  result.Used = in.Pos();
  return result;
}

void SaveCatalogFile(const std::string& path, const Catalog& catalog) {
  const std::vector<uint8_t> bytes = WriteCatalog(catalog);
  WriteFileAtomically(path, [&](TStream& out) {
    out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  });
}

bool OpenCatalogFile(const std::string& path, Catalog& into, Dialogs& dialogs) {
  TMemoryStream file;
  file.LoadFromFile(path);
  const CatalogReadResult result = ReadCatalog(file.Bytes().data(), file.Bytes().size(), into);
  if (!result.Ok) dialogs.Error(kNotDozMessage);
  return result.Ok;
}

FileDialogRequest CatalogSaveRequest(const FileList& list, const AppSettings& settings) {
  FileDialogRequest request;
  request.InitialDir = settings.CatarogDir;
  request.FileName = ChangeFileExt(ExtractFileName(list.CurrentFile()), "");
  request.Filter = kDozFilter;
  request.FilterIndex = 1;
  request.DefaultExt = kDozExt;
  request.OverwritePrompt = true;
  return request;
}

bool SaveCatalogAs(const Catalog& catalog, const FileList& list, AppSettings& settings,
                   Dialogs& dialogs) {
  const std::optional<FileDialogResult> chosen =
      dialogs.SaveFile(CatalogSaveRequest(list, settings));
  if (!chosen) return false;
  SaveCatalogFile(chosen->FileName, catalog);
  settings.CatarogDir = ExtractFilePath(chosen->FileName);
  return true;
}

}  // namespace verid
