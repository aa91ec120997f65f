// The screen lock for work outside the drawing operations, on the drawing
// operations' own auto-lock.
#include "display/screen_hold.h"

#include "display/screen_state.h"

namespace display {

void RunWithScreenHeld(void (*work)(void* context), void* context) {
  Screen* screen = CurrentScreen();
  if (screen == nullptr) {
    work(context);
    return;
  }
  AutoLock lock(*screen);
  work(context);
}

}  // namespace display
