// Holding the screen for work outside the drawing operations, such as a loader
// writing the display palette and converting rows.
//
//   display::WithScreenHeld([&] { ... });
//
// The work runs while this thread holds the screen lock. The lock is taken only
// if this thread does not hold it already (after LockScreen, say), and only what
// was taken is given back, so a caller's own lock stays in place. Without an
// open screen the work simply runs.
#pragma once
#include <type_traits>

namespace display {

void RunWithScreenHeld(void (*work)(void* context), void* context);

template <typename Work>
void WithScreenHeld(Work&& work) {
  using W = std::remove_reference_t<Work>;
  RunWithScreenHeld([](void* context) { (*static_cast<W*>(context))(); }, &work);
}

}  // namespace display
