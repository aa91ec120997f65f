// SDL scancodes to PC scan code set 1 make codes, extended keys folded onto their
// twins (right Ctrl 29, arrows and navigation keys on the keypad codes) and keypad
// digits on their codes whatever the Num Lock state (SDL scancodes are positions).
#pragma once
#include <SDL2/SDL_scancode.h>

#include <cstdint>

namespace display::platform {

// The set-1 code of an SDL scancode, or -1 for keys without one.
int SetOneCode(SDL_Scancode scancode);

}  // namespace display::platform
