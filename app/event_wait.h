#pragma once

// The two ways a command lets the window's events run while it works.
//
// Both dispatch every pending event at once, so a click during a wait runs its
// command right there, nested inside the waiting one; the waiting command goes
// on only when the nested one has finished. Both report whether the waiting
// command may go on: once the main window is closing, every wait returns false
// at once and the command returns without touching the controls again.

namespace quorvane {

// Waits at least `milliseconds` (nothing for 0 or less), dispatching events as
// they arrive. Sleeps on the event queue between events instead of polling.
[[nodiscard]] bool pumpDelay(int milliseconds);

// Dispatches the events that are pending now and returns.
[[nodiscard]] bool processEvents();

// Set when the main window closes. A new main window starts with it cleared.
void markProgramClosing();
void clearProgramClosing();
[[nodiscard]] bool programClosing();

}  // namespace quorvane
