#include "core/stop_signals.h"

#include <atomic>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace nerovale::stop {
namespace {

std::atomic<int> caught{0};
int wake_up[2] = {-1, -1};

// Only what a signal handler may do: an atomic store and a write to a pipe.
extern "C" void Record(int signal) {
  int expected = 0;
  caught.compare_exchange_strong(expected, signal);
  if (wake_up[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wake_up[1], &byte, 1);
  }
}

}  // namespace

void CatchSignals() {
  if (wake_up[0] < 0 && ::pipe2(wake_up, O_CLOEXEC | O_NONBLOCK) != 0) wake_up[0] = wake_up[1] = -1;
  struct sigaction action {};
  action.sa_handler = &Record;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // a system call under way goes on; the program asks when it can
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

int Signal() noexcept { return caught.load(); }

int WakeUpDescriptor() noexcept { return wake_up[0]; }

std::string SignalName(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "segnale " + std::to_string(signal);
  }
}

}  // namespace nerovale::stop
