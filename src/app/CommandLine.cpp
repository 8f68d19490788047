#include "app/CommandLine.h"

#ifndef VERID_VERSION
#error "the build passes VERID_VERSION"
#endif

namespace verid {
namespace {

constexpr const char* kProgramHelp =
    "Usage: verid [FOLDER | FILE | CATALOG.doz]\n"
    "\n"
    "Image viewer and organiser for BMP, JPEG and PNG pictures.\n"
    "\n"
    "  FOLDER         list the folder's pictures and preview the first one\n"
    "  FILE           list the pictures of the file's folder and preview the file\n"
    "  CATALOG.doz    open a saved catalog for viewing\n"
    "  (nothing)      list the pictures of the current folder\n"
    "\n"
    "  -h, --help     print this text and exit\n"
    "  --version      print the version and exit\n"
    "\n"
    "Settings are kept in verid.ini beside the program when that file exists or the\n"
    "program's folder is writable, otherwise in $XDG_CONFIG_HOME/verid/verid.ini\n"
    "(~/.config/verid/verid.ini).\n";

}  // namespace

const char* VersionNumber() {
  return VERID_VERSION;
}

std::optional<std::string> ProgramInfoText(const std::vector<std::string>& args) {
  if (args.empty()) return std::nullopt;
  if (args[0] == "--help" || args[0] == "-h") return std::string(kProgramHelp);
  if (args[0] == "--version") return std::string("verid ") + VersionNumber() + "\n";
  return std::nullopt;
}

}  // namespace verid
