// The fixture for tests that change the process's working folder (a FileList opening a
// folder does): the folder is put back after each test, whatever the test did.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

namespace verid::test {

class WorkingFolderTest : public ::testing::Test {
 protected:
  WorkingFolderTest() : start_(std::filesystem::current_path()) {}
  ~WorkingFolderTest() override {
    std::error_code ignored;
    std::filesystem::current_path(start_, ignored);
  }
  const std::filesystem::path& StartFolder() const { return start_; }

 private:
  std::filesystem::path start_;
};

}  // namespace verid::test
