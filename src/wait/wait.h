// The wait window: progress of a lookup run and the stop button that sets StopRequested.
#pragma once

namespace vostrel {

// Creates the wait window of this run (it replaces the one of an earlier run).
void OpenWaitWindow();

// Processes every window message waiting in the calling thread's queue.
void PumpMessages();

// Shows that the run works on ISBN `current` (from 1) of `total`: the bar at the share handled
// before it, the count as "current/total".
void ShowProgress(int current, int total);

// Destroys the wait window of this run.
void CloseWaitWindow();

}  // namespace vostrel
