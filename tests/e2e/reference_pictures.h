// Independent oracles for what the game should show: a small reader for the
// uncompressed BMP sprites, the 8x8 font from its text table, and painting into
// an expected picture (opaque or with the 0xFF00FF key, and glyphs without
// background) to compare with the window pixel by pixel.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "x_session.h"

namespace e2e {

inline constexpr uint32_t KEY_RGB = 0xFF00FF;

// An uncompressed BMP (1/4/8-bit palette, 24 or 32 bits) as 0xRRGGBB pixels.
std::optional<Snapshot> ReadBmp(const std::string& path);

// The colours of a picture other than the key colour.
std::set<uint32_t> ColoursOf(const Snapshot& picture);

// A black picture of the given size.
Snapshot BlackPicture(int width, int height);

// Paints `sprite` with its top-left corner at (x, y), clipped to the picture;
// transparent: key-coloured pixels are left out.
void Paint(Snapshot& picture, const Snapshot& sprite, int x, int y, bool transparent);

// 256 glyphs of 8 rows; bit k of a row byte is column k.
using Font = std::array<std::array<uint8_t, 8>, 256>;
// Reads lines "NNN: b0 b1 ... b7" (hex row bytes); nullopt if any glyph is missing.
std::optional<Font> ReadFont(const std::string& path);
// Sets the glyph pixels of `text` from (x, y), 8 pixels per character.
void PaintText(Snapshot& picture, const Font& font, std::string_view text, int x, int y,
               uint32_t rgb);

// Pixels of `area` where the two pictures differ.
int CountDifferences(const Snapshot& actual, const Snapshot& expected, const Rect& area);

}  // namespace e2e
