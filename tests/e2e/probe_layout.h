// What the e2e probe draws and where: shared by the probe and the tests that read
// its window back, so both sides agree on every position and colour.
#pragma once
#include <cstdint>

namespace e2e::probe {

inline constexpr const char* TITLE = "Brazdovar - DEATHMATCH | 2 igraca";
inline constexpr int WIDTH = 640;
inline constexpr int HEIGHT = 480;

// A 40 x 40 square on row band MOVING_Y, advancing MOVING_STEP pixels per frame and
// wrapping before it reaches the right edge.
inline constexpr int MOVING_SIZE = 40;
inline constexpr int MOVING_Y = 60;
inline constexpr int MOVING_STEP = 4;
inline constexpr int MOVING_RANGE = WIDTH - MOVING_SIZE;
inline constexpr uint32_t MOVING_COLOUR = 0xFFFF8000;

// A square that never moves.
inline constexpr int FIXED_X = 500, FIXED_Y = 380, FIXED_SIZE = 20;
inline constexpr uint32_t FIXED_COLOUR = 0xFF12AB34;

// Drawn only while the Up key (scan code 72) is held.
inline constexpr int MARKER_X = 100, MARKER_Y = 300, MARKER_SIZE = 30;
inline constexpr uint32_t MARKER_COLOUR = 0xFF00C0FF;

// On an 8-bit screen each colour is a palette index, the rest of the palette black.
constexpr uint32_t PaletteIndex(uint32_t colour) {
  return colour == MOVING_COLOUR ? 1 : colour == FIXED_COLOUR ? 2 : colour == MARKER_COLOUR ? 3 : 0;
}

}  // namespace e2e::probe
