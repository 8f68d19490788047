// The self-pipe for termination signals.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Signals.h"

namespace verid {

namespace {
int g_signalPipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int signo) {
  int saved = errno;
  unsigned char byte = static_cast<unsigned char>(signo);
  if (g_signalPipe[1] >= 0) {
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
  }
  errno = saved;
}

void SetHandler(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = handler == SIG_DFL ? 0 : SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}
}  // namespace

int StartTerminationRequests() {
  if (g_signalPipe[0] < 0) {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  }
  SetHandler(OnTerminationSignal);
  return g_signalPipe[0];
}

void StopTerminationRequests() {
  SetHandler(SIG_DFL);
}

bool TakeTerminationRequests() {
  if (g_signalPipe[0] < 0) return false;
  unsigned char buffer[64];
  bool any = false;
  while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) any = true;
  return any;
}

}  // namespace verid
