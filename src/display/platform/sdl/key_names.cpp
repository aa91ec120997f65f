// Key names through SDL's scancode names and the SDL-to-set-1 table.
#include "display/key_names.h"

#include <SDL2/SDL_keyboard.h>

#include <array>

#include "display/keys.h"
#include "display/platform/sdl/scancodes.h"

namespace display {
namespace {

// For each scan code, the SDL scancode whose name stands for it: the first in
// SDL's order, which puts the main block first (Return before Keypad Enter,
// Left before Keypad 4, Left Ctrl before Right Ctrl).
std::array<SDL_Scancode, KEY_TABLE_SIZE> NamingScancodes() {
  std::array<SDL_Scancode, KEY_TABLE_SIZE> naming{};
  naming.fill(SDL_SCANCODE_UNKNOWN);
  for (int s = SDL_NUM_SCANCODES - 1; s > 0; --s) {
    const int code = platform::SetOneCode(SDL_Scancode(s));
    if (code >= 0 && code < KEY_TABLE_SIZE) naming[code] = SDL_Scancode(s);
  }
  return naming;
}

}  // namespace

int32_t KeyCodeOfName(std::string_view name) {
  const std::string text(name);  // SDL wants a terminated string
  const SDL_Scancode scancode = SDL_GetScancodeFromName(text.c_str());
  if (scancode == SDL_SCANCODE_UNKNOWN) return -1;
  const int code = platform::SetOneCode(scancode);
  return code < 0 ? -2 : code;
}

std::string KeyNameOfCode(int32_t code) {
  static const auto naming = NamingScancodes();
  if (code < 0 || code >= KEY_TABLE_SIZE || naming[code] == SDL_SCANCODE_UNKNOWN) return {};
  return SDL_GetScancodeName(naming[code]);
}

}  // namespace display
