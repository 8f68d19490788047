// Cases that need file permissions to bite. Tests often run as root, for whom read-only
// files and folders are writable, so such a case runs in a forked child that has become
// the unprivileged user nobody (or stays the current user when that is not root).
#pragma once

#include <functional>
#include <string>

namespace verid::test {

// Hands `folder` and everything in it to the user the child will run as, then runs `body`
// in the child. Checks (EXPECT_..., ASSERT_...) inside `body` count: a failed one, or a
// child that could not drop its privileges, fails the calling test.
void RunAsNobody(const std::string& folder, const std::function<void()>& body);

// Runs `body` where a read-only file refuses writes: as RunAsNobody on POSIX systems; on
// Windows, where the read-only attribute binds every user, in this process.
void RunWhereReadOnlyBinds(const std::string& folder, const std::function<void()>& body);

// The user id RunAsNobody's child runs as.
unsigned NobodyUid();
unsigned NobodyGid();

}  // namespace verid::test
