// Keyboard state by PC scan code (set 1 make codes 0..127) and the key-press flag.
//
//   if (display::IsKeyDown(display::KEY_UP) == -1) ...   // held
//
// Extended keys share their twin's code (right Ctrl = 29, arrows = keypad codes),
// keypad digits give their codes whatever the Num Lock state. The window thread
// rewrites the table from the keyboard about every 10 ms while the window is active.
#pragma once
#include <cstdint>

namespace display {

inline constexpr int32_t KEY_ESC = 1;
inline constexpr int32_t KEY_R = 19;
inline constexpr int32_t KEY_CTRL = 29;
inline constexpr int32_t KEY_A = 30;
inline constexpr int32_t KEY_D = 32;
inline constexpr int32_t KEY_F = 33;
inline constexpr int32_t KEY_G = 34;
inline constexpr int32_t KEY_SPACE = 57;
inline constexpr int32_t KEY_UP = 72;
inline constexpr int32_t KEY_LEFT = 75;
inline constexpr int32_t KEY_RIGHT = 77;
inline constexpr int32_t KEY_DOWN = 80;

inline constexpr int KEY_TABLE_SIZE = 128;
// Queued in the key ring on a close request (bytes 255 and 107).
inline constexpr uint16_t CLOSE_KEY_CODE = 0x6BFF;
inline constexpr int KEY_RING_SIZE = 16;

// The two key sets a gamepad can hold: the arrows and Ctrl, and R, D, G, F, A.
inline constexpr uint32_t PAD_ARROW_KEYS = 1u << 0;
inline constexpr uint32_t PAD_LETTER_KEYS = 1u << 1;
// Which key sets gamepads may hold (both unless told otherwise): a set that the
// program drives itself is left out, so no pad is bound to keys it cannot use.
// Takes effect when the next screen opens.
void SetPadKeySets(uint32_t sets);
uint32_t PadKeySets();

// -1 while the key with this scan code is held, 0 otherwise and for codes outside
// 0..127. Takes the auto-lock unless the screen is locked.
int32_t IsKeyDown(int32_t scanCode);

}  // namespace display
