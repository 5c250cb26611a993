#pragma once

#include <string>

// The signals that ask a program to stop (Ctrl+C, kill, a closed terminal or session): SIGINT,
// SIGTERM and SIGHUP. Once caught, they no longer end the process at once: the signal is recorded,
// and the program stops at the next point where it asks, with nothing half made left behind.
namespace nerovale::stop {

// Catches the three signals from now on, for the whole process.
void CatchSignals();

// The signal that asked to stop, or 0.
int Signal() noexcept;

// A descriptor that becomes readable when a signal has been caught, for an event loop to watch;
// -1 before CatchSignals.
int WakeUpDescriptor() noexcept;

// "SIGTERM", "SIGINT", "SIGHUP", or the number.
std::string SignalName(int signal);

}  // namespace nerovale::stop
