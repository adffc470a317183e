// The wait window: progress of a lookup run and the stop button that sets StopRequested.
// On POSIX its counterpart is one progress line on standard error, written only when that is a
// terminal and cleared by CloseWaitWindow; there is no queue to pump and no stop button.
#pragma once

namespace vostrel {

// Creates the wait window of this run and shows it: always on top, centred on the screen, the
// stop button with the keyboard focus. A window left by an earlier run is destroyed first; when
// no window can be made the run goes on without one.
void OpenWaitWindow();

// Processes every window message waiting in the calling thread's queue, with the wait window's
// keyboard handling (Alt+X presses the stop button). The floating-point invalid-operation
// exception stays masked meanwhile, so such an operation in a window procedure gives a NaN
// instead of a fault; a request to quit found in the queue is put back for the host.
void PumpMessages();

// Shows that the run works on ISBN `current` (from 1) of `total`: the bar at the share handled
// before it, the count as "current/total".
void ShowProgress(int current, int total);

// Destroys the wait window of this run, if there is one; nothing of it is left behind.
void CloseWaitWindow();

}  // namespace vostrel
