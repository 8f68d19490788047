// A windowed program on Windows gets no termination signals: the system closes it with
// window messages (WM_CLOSE, WM_QUERYENDSESSION), which Qt turns into close events, so
// there is nothing to catch here.
#include "platform/Signals.h"

namespace verid {

int StartTerminationRequests() {
  return -1;
}

void StopTerminationRequests() {}

bool TakeTerminationRequests() {
  return false;
}

}  // namespace verid
