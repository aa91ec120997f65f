// Text in the 8x8 code page 437 font, drawing only the glyphs' set pixels.
//
//   display::DrawText(nullptr, 83.0f, 463.0f, 4, "Pritisni SPACE ...", 0xFFFFFFFF);
#pragma once
#include <cstdint>
#include <string_view>

#include "display/blit.h"
#include "display/image.h"

namespace display {

// Point types in bits 0-2 of the flags: 4 (or 0) absolute, 5 (or 2) relative to the
// current point. DEFAULT_COLOUR_FLAG uses the foreground colour instead of `colour`.
inline constexpr uint32_t TEXT_ABSOLUTE = 4;
inline constexpr uint32_t TEXT_RELATIVE = 5;

// target: an Image or null for the screen. (x, y): top-left pixel of the first
// character cell, rounded half away from zero. Each byte draws its glyph (no
// control characters, no wrapping, no background); the colour is stored as
// given, converted to the target's pixel size. font: null for the default font,
// the only one supported. Returns 1 for a missing text (null data), a non-null
// font or an unknown point type; 0 otherwise, drawing nothing without a screen
// or for an empty text. mode, putter, blender and parameter belong to fonts
// given as images and are ignored.
int DrawText(Image* target, float x, float y, uint32_t flags, std::string_view text,
             uint32_t colour, const Image* font = nullptr, int32_t mode = 0,
             const Putter* putter = nullptr, Blender blender = nullptr, void* parameter = nullptr);

// The default font: 256 glyphs of 8 rows; bit k of a row byte is column k.
const uint8_t* DefaultFontGlyph(uint8_t code);

}  // namespace display
