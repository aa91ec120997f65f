// Internal to the display library: the default 8x8 font, generated at build time
// from the glyph table (tools/display/gen_font.py).
#pragma once
#include <cstdint>

namespace display {

// 256 glyphs of 8 row bytes, top row first; bit k of a row byte is column k,
// column 0 leftmost.
extern const uint8_t DEFAULT_FONT[256 * 8];

}  // namespace display
