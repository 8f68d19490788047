// The fixture for tests of the file commands over real files: a temporary folder with
// "src" and "dst" in it, a file list, the settings, scripted dialogs and a fake platform.
#pragma once

#include <string>
#include <vector>

#include "app/FileList.h"
#include "app/FileOps.h"
#include "app/Settings.h"
#include "support/FakePlatform.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WorkingFolder.h"

namespace verid::test {

class FileOpsFixture : public WorkingFolderTest {
 protected:
  FileOpsFixture() : src_(dir_.MakeDir("src")), dst_(dir_.MakeDir("dst")) {}

  // Files (content = name) in src, listed, with `selected` selected.
  void MakeList(const std::vector<std::string>& names, int selected) {
    for (const auto& n : names) dir_.Write("src/" + n, n);
    list_.SetFolder(src_);
    list_.SetItemIndex(selected);
  }
  FileOpEnv Env() { return FileOpEnv{list_, settings_, dialogs_, platform_}; }

  TempDir dir_;
  std::string src_, dst_;
  FileList list_;
  AppSettings settings_;
  ScriptedDialogs dialogs_;
  FakePlatform platform_;
};

}  // namespace verid::test
