// A stand-in program for the end-to-end tests of the display layer and the frame
// clock on the real window: it opens the game's window, then draws a moving
// square, a fixed square and, while Up is held, a marker square every frame.
#include <algorithm>
#include <cstdint>

#include "clock/frame_clock.h"
#include "display/keys.h"
#include "display/markers.h"
#include "display/screen.h"
#include "display/screen_state.h"
#include "probe_layout.h"

namespace {

namespace probe = e2e::probe;

// Touched only by frame steps, which the clock never overlaps.
int g_frame = 0;

void FillSquare(display::Screen& screen, int x, int y, int size, uint32_t colour) {
  for (int row = y; row < y + size; ++row) {
    auto* pixels = reinterpret_cast<uint32_t*>(screen.page.data() + size_t(row) * screen.pitch);
    std::fill_n(pixels + x, size, colour);
  }
}

void Frame() {
  display::LockScreen();
  display::ClearScreen(display::ARG_DEFAULT);
  display::Screen& screen = *display::CurrentScreen();
  const int movingX = (g_frame * probe::MOVING_STEP) % probe::MOVING_RANGE;
  FillSquare(screen, movingX, probe::MOVING_Y, probe::MOVING_SIZE, probe::MOVING_COLOUR);
  FillSquare(screen, probe::FIXED_X, probe::FIXED_Y, probe::FIXED_SIZE, probe::FIXED_COLOUR);
  if (display::IsKeyDown(display::KEY_UP) != 0) {
    FillSquare(screen, probe::MARKER_X, probe::MARKER_Y, probe::MARKER_SIZE, probe::MARKER_COLOUR);
  }
  ++g_frame;
  display::UnlockScreen(-1, -1);
}

}  // namespace

int main() {
  frameclock::OpenGameWindow(probe::WIDTH, probe::HEIGHT, 32, 1, 0);
  display::SetWindowTitle(probe::TITLE);
  display::SetMouse(-1, -1, 0, -1);
  frameclock::RunFrameClock(35, Frame);
  frameclock::WaitForFrameStep();
  display::EndProgram(0);
}
