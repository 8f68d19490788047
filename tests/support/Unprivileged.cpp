#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#ifdef _WIN32

namespace verid::test {

// No users to drop to, and a folder's read-only attribute does not stop new files in it:
// the cases that need POSIX permissions do not apply.
void RunAsNobody(const std::string&, const std::function<void()>&) {
  GTEST_SKIP() << "POSIX permissions and an unprivileged user are needed";
}
void RunWhereReadOnlyBinds(const std::string&, const std::function<void()>& body) {
  body();
}
unsigned NobodyUid() {
  return 0;
}
unsigned NobodyGid() {
  return 0;
}

}  // namespace verid::test

#else

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>

namespace verid::test {

namespace {

struct Ids {
  uid_t uid;
  gid_t gid;
};

Ids ChildIds() {
  if (::geteuid() != 0) return {::geteuid(), ::getegid()};
  const passwd* nobody = ::getpwnam("nobody");
  if (!nobody) return {65534, 65534};
  return {nobody->pw_uid, nobody->pw_gid};
}

}  // namespace

unsigned NobodyUid() {
  return ChildIds().uid;
}

unsigned NobodyGid() {
  return ChildIds().gid;
}

void RunAsNobody(const std::string& folder, const std::function<void()>& body) {
  const Ids ids = ChildIds();
  if (::geteuid() == 0) {
    std::error_code ec;
    [[maybe_unused]] int r = ::lchown(folder.c_str(), ids.uid, ids.gid);
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      r = ::lchown(it->path().c_str(), ids.uid, ids.gid);
  }
  std::fflush(nullptr);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0) << "fork failed";
  if (pid == 0) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(ids.gid) != 0 || ::setuid(ids.uid) != 0)) {
      std::fprintf(stderr, "cannot become nobody\n");
      std::fflush(nullptr);
      ::_exit(2);
    }
    const bool before = ::testing::Test::HasFailure();
    // Nothing may unwind out of the child: it would go on running the other tests.
    try {
      body();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "exception in the unprivileged child: " << e.what();
    } catch (...) {
      ADD_FAILURE() << "exception in the unprivileged child";
    }
    const bool failed = !before && ::testing::Test::HasFailure();
    std::fflush(nullptr);
    ::_exit(failed ? 1 : 0);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  ASSERT_TRUE(WIFEXITED(status)) << "the unprivileged child did not finish";
  EXPECT_NE(WEXITSTATUS(status), 2) << "the child could not drop its privileges";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a check failed in the unprivileged child (above)";
}

void RunWhereReadOnlyBinds(const std::string& folder, const std::function<void()>& body) {
  RunAsNobody(folder, body);
}

}  // namespace verid::test

#endif
