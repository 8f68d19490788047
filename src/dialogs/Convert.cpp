#include "dialogs/Convert.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "app/Browse.h"
#include "app/Hanyou.h"
#include "app/PictureOps.h"
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
                                                 const AppSettings& settings, bool sync) {
  std::unique_ptr<TGraphic> input = NewGraphic(from);
  LoadAsKind(*input, source);
  std::unique_ptr<TGraphic> output = NewGraphic(to);
  // A JPEG target takes the raster, so it is compressed at the configured quality even
  // from a JPEG source, whose markers come along. A damaged JPEG source fails here, when
  // its pixels are first needed.
  if (to == ImageFormat::Jpeg) {
    output->Assign(input->ColorRaster());
    if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(input.get()))
      static_cast<TJPEGImage&>(*output).SetMarkers(jpeg->Markers());
  } else {
    output->Assign(*input);
  }
  input.reset();
  ApplyEncoderSettings(*output, settings);
  auto file = std::make_unique<TFileReplacement>(target);
  output->SaveToStream(file->Stream());
  file->Complete(sync);
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
  fs::directory_iterator it(FsPath(folder), ec);
  if (ec) return names;
  for (auto end = fs::directory_iterator(); it != end; it.increment(ec)) {
    if (ec) break;
    std::string name = Utf8Of(it->path().filename());
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

namespace {

// Files decoded and encoded ahead by worker threads into temporary names in the
// destination; the run takes them in list order and puts each in place only when it
// reaches it. After a failure the workers stop, and whatever they made beyond it goes
// with its temporary name. Files are made without their own flush to disk: the run
// flushes the file system once for every file finished by then (Finished()) before it
// places the first of them.
class AheadPool {
 public:
  using Job = std::function<std::unique_ptr<TFileReplacement>(size_t)>;
  AheadPool(size_t count, int workers, Job job)
      : slots_(count), window_(static_cast<size_t>(workers) * 2), job_(std::move(job)) {
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~AheadPool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
  }
  // File `index` once it is ready (its error rethrown), with its place in the order the
  // files were finished (1, 2, ...); the next indexes may then start.
  std::unique_ptr<TFileReplacement> Take(size_t index, uint64_t* finishedAs) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return slots_[index].Ready; });
    Slot& slot = slots_[index];
    taken_ = index + 1;
    changed_.notify_all();
    if (slot.Error) {
      stop_ = true;
      std::rethrow_exception(slot.Error);
    }
    *finishedAs = slot.FinishedAs;
    return std::move(slot.File);
  }
  // How many files are finished now.
  uint64_t Finished() {
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_;
  }

 private:
  struct Slot {
    std::unique_ptr<TFileReplacement> File;
    std::exception_ptr Error;
    bool Ready = false;
    uint64_t FinishedAs = 0;
  };
  void Work() {
    for (;;) {
      size_t index;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock,
                      [&] { return stop_ || next_ >= slots_.size() || next_ < taken_ + window_; });
        if (stop_ || next_ >= slots_.size()) return;
        index = next_++;
      }
      Slot made;
      try {
        made.File = job_(index);
      } catch (...) {
        made.Error = std::current_exception();
      }
      made.Ready = true;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        made.FinishedAs = ++finished_;
        slots_[index] = std::move(made);
      }
      changed_.notify_all();
    }
  }

  std::vector<Slot> slots_;
  const size_t window_;
  Job job_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0, taken_ = 0;
  uint64_t finished_ = 0;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace

int DefaultConvertWorkers() {
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void RunBatchConvert(int kind, const std::string& folder, const std::vector<std::string>& names,
                     const std::string& destination, const AppSettings& settings, Dialogs& dialogs,
                     ConvertRunHost& host, int workers) {
  const ConvertKindInfo& info = ConvertKindOf(kind);
  auto source = [&](size_t i) { return JoinPath(folder, names[i]); };
  auto target = [&](size_t i) { return JoinPath(destination, OutputName(names[i], kind)); };
  std::unique_ptr<AheadPool> pool;
  if (workers > 0 && names.size() > 1) {
    pool = std::make_unique<AheadPool>(names.size(), workers, [&](size_t i) {
      return WriteConverted(source(i), info.From, target(i), info.To, settings, false);
    });
  }
  uint64_t durable = 0;  // files finished before the last flush
  for (size_t i = 0; i < names.size(); ++i) {
    host.Select(static_cast<int>(i));
    if (pool) {
      uint64_t finishedAs = 0;
      std::unique_ptr<TFileReplacement> file = pool->Take(i, &finishedAs);
      if (finishedAs > durable) {
        const uint64_t finished = pool->Finished();
        SyncFileSystem(destination);
        durable = finished;
      }
      file->Place();
    } else {
      ConvertImageFile(source(i), info.From, target(i), info.To, settings);
    }
    host.Added(OutputName(names[i], kind));
  }
  pool.reset();
  dialogs.Information(ConvertDoneMessage(destination));
}

}  // namespace verid
