#include "platform/posix/PosixTrash.h"

namespace verid::posix {

bool CanTrash(const std::string&) { return false; }

TrashOutcome MoveToTrash(const std::string&) { return {false, "trash is not available"}; }

}  // namespace verid::posix
