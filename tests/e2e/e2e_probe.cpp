// A stand-in program for the end-to-end tests of the display layer and the frame
// clock on the real window: it opens the game's window, then draws a moving
// square, a fixed square and, while Up is held, a marker square every frame.
// `--depth=16` or `--depth=8` opens a screen of 5-6-5 pixels or palette indices
// instead of the game's 32-bit one.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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

// The colour as a pixel of the screen: 0xAARRGGBB, 5-6-5, or the palette index
// that probe::PaletteIndex gives it (the palette holds the colours there).
uint32_t Pixel(const display::Screen& screen, uint32_t argb) {
  if (screen.bytesPerPixel == 2) {
    return (argb & 0xF80000u) >> 8 | (argb & 0xFC00u) >> 5 | (argb & 0xF8u) >> 3;
  }
  return screen.bytesPerPixel == 1 ? probe::PaletteIndex(argb) : argb;
}

void FillSquare(display::Screen& screen, int x, int y, int size, uint32_t argb) {
  const uint32_t pixel = Pixel(screen, argb);
  for (int row = y; row < y + size; ++row) {
    uint8_t* pixels = screen.page.data() + size_t(row) * screen.pitch;
    for (int column = x; column < x + size; ++column) {
      std::memcpy(pixels + size_t(column) * screen.bytesPerPixel, &pixel, screen.bytesPerPixel);
    }
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

int main(int argc, char** argv) {
  int depth = 32;
  if (argc > 1 && std::strncmp(argv[1], "--depth=", 8) == 0) depth = std::atoi(argv[1] + 8);
  frameclock::OpenGameWindow(probe::WIDTH, probe::HEIGHT, depth, 1, 0);
  for (uint32_t colour : {probe::MOVING_COLOUR, probe::FIXED_COLOUR, probe::MARKER_COLOUR}) {
    // Palette entries hold red in their low byte.
    display::SetPaletteEntry(int(probe::PaletteIndex(colour)),
                             (colour >> 16 & 0xFFu) | (colour & 0xFF00u) | (colour & 0xFFu) << 16);
  }
  display::SetWindowTitle(probe::TITLE);
  display::SetMouse(-1, -1, 0, -1);
  frameclock::RunFrameClock(35, Frame);
  frameclock::WaitForFrameStep();
  display::EndProgram(0);
}
