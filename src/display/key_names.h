// Key names as a player writes them: SDL scancode names ("Return", "Left",
// "Keypad 4") to the key table's scan codes (keys.h) and back. Needs no window
// and no initialised SDL, so settings can be read before the screen opens.
//
//   const int32_t code = display::KeyCodeOfName("Keypad 4");   // 75, as Left
//   const std::string name = display::KeyNameOfCode(code);     // "Left"
//
// Keys the key table folds together (left and right Ctrl, an arrow and its
// keypad digit, Return and Keypad Enter) give one code; the name given back for
// a code is the main block's key (Left, not Keypad 4; Left Ctrl, not Right
// Ctrl).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace display {

// The scan code of the key named `name` (case does not matter); -1 for a name
// no key has, -2 for a key the key table has no code for (F13, Print Screen
// ...).
int32_t KeyCodeOfName(std::string_view name);

// The name of a key with scan code `code`; empty for a code no key gives.
std::string KeyNameOfCode(int32_t code);

}  // namespace display
