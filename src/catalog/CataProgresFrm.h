// The progress window of a catalog build: the last thumbnail, how many files are done out
// of how many, a gauge and the stop button. It is the build's host; its stop button only
// sets the flag the build reads after each file.
#pragma once

#include <QDialog>

#include "catalog/CatalogBuild.h"

class QLabel;
class QPushButton;

namespace verid {

class TGauge;

inline constexpr const char* kProgressCaption = "ｶﾀﾛｸﾞ作成中…";
inline constexpr const char* kLoadNumberLabel = "作成完了数  ：";
inline constexpr const char* kTotalNumberLabel = "カタログ総数 ：";
inline constexpr const char* kStopCaption = "中止(&S)";

class TCatarogProgresForm : public QDialog, public CatalogBuildHost {
  Q_OBJECT
 public:
  // Frees itself when closed.
  explicit TCatarogProgresForm(QWidget* owner = nullptr);

  QLabel* Image1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* LoadNumber = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* TotalNumber = nullptr;
  QPushButton* StopBtn = nullptr;
  TGauge* Gauge = nullptr;

  void StopBtnClick();

  // --- CatalogBuildHost ---
  void BuildStarted() override;
  void FileDone(const TBitmap& thumbnail, const BuildProgress& progress) override;
  bool StopRequested() override { return stop_; }
  void BuildEnded() override;

 protected:
  // Esc presses the stop button; the window never closes on it.
  void reject() override;
  // Only the end of the build closes the window.
  void closeEvent(QCloseEvent* event) override;

 private:
  bool stop_ = false;
  bool ending_ = false;
};

// One build with its own progress window owned by `owner`.
BuildResult RunCatalogBuild(QWidget* owner, FileList& list, int size, Catalog& catalog,
                            Platform& platform, const BuildOptions& options = {});

}  // namespace verid
