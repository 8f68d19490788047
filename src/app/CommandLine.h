// What the program and verid-tool say about themselves on the command line: the version
// the build was made as, and the usage text.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace verid {

// The build's version, e.g. "2.22".
const char* VersionNumber();

// The text the program prints instead of starting when its first argument asks for it
// ("--help", "-h", "--version"); nothing when it starts. Only the first argument counts,
// as for a path.
std::optional<std::string> ProgramInfoText(const std::vector<std::string>& args);

}  // namespace verid
