// Freedesktop trash through GIO.
#pragma once

#include <string>

#include "platform/Platform.h"

namespace verid::posix {

bool CanTrash(const std::string& path);
TrashOutcome MoveToTrash(const std::string& path);

}  // namespace verid::posix
