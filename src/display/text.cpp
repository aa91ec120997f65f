// DrawText with the default 8x8 font: only the glyphs' set pixels are stored,
// each in exactly the given colour; cells and rows outside the clip rectangle
// are skipped whole.
#include <algorithm>
#include <cstring>

#include "display/draw_common.h"
#include "display/font_data.h"
#include "display/screen_state.h"
#include "display/text.h"

namespace display {
namespace {

constexpr int64_t CELL = 8;

// The colour as the target stores it.
uint32_t TargetColour(uint32_t colour, uint32_t bytesPerPixel) {
  switch (bytesPerPixel) {
    case 2:
      return ((colour & 0xF80000u) >> 8) | ((colour & 0xFC00u) >> 5) | ((colour & 0xF8u) >> 3);
    case 1:
      return colour & 0xFFu;
    default:
      return colour;
  }
}

void StorePixel(uint8_t* at, uint32_t colour, uint32_t bytesPerPixel) {
  if (bytesPerPixel == 4) {
    std::memcpy(at, &colour, 4);
  } else if (bytesPerPixel == 2) {
    const auto c = static_cast<uint16_t>(colour);
    std::memcpy(at, &c, 2);
  } else {
    *at = static_cast<uint8_t>(colour);
  }
}

// The point type in bits 0-2 of the flags: 0 absolute, 1 relative, -1 unknown.
int PointType(uint32_t flags) {
  switch (flags & 7u) {
    case 0:
    case 4: return 0;  // absolute
    case 2:
    case 5: return 1;  // relative to the current point
    default: return -1;
  }
}

}  // namespace

const uint8_t* DefaultFontGlyph(uint8_t code) { return DEFAULT_FONT + size_t{code} * CELL; }

int DrawText(Image* target, float x, float y, uint32_t flags, std::string_view text,
             uint32_t colour, const Image* font, int32_t /*mode*/, const Putter* /*putter*/,
             Blender /*blender*/, void* /*parameter*/) {
  // Only the default font is supported; fonts given as images are not.
  const int pointType = PointType(flags);
  if (text.data() == nullptr || font != nullptr || pointType < 0) return ILLEGAL_CALL;
  Screen* screen = CurrentScreen();
  if (screen == nullptr || text.empty()) return OK;

  SelectTarget(*screen, target);
  DrawingState& state = screen->drawing;
  const uint32_t bpp = state.targetBytesPerPixel;
  const uint32_t ink =
      TargetColour((flags & DEFAULT_COLOUR_FLAG) ? state.foreground : colour, bpp);
  const auto [px, py] = PlaceAt(state, x, y, pointType == 1);

  AutoLock lock(*screen);
  const ClipRect& clip = state.clip;
  const int64_t clipRight = int64_t{clip.x} + clip.width;
  const int64_t clipBottom = int64_t{clip.y} + clip.height;
  const int64_t count = static_cast<int64_t>(text.size());
  const int64_t top = std::max<int64_t>(py, clip.y);
  const int64_t bottom = std::min<int64_t>(py + CELL, clipBottom);
  if (px + CELL * count <= clip.x || px >= clipRight || top >= bottom) return OK;

  // Only the characters whose cells reach into the clip rectangle.
  const int64_t firstChar = std::max<int64_t>(0, (clip.x - px) / CELL);
  const int64_t endChar = std::min<int64_t>(count, (clipRight - px + CELL - 1) / CELL);
  for (int64_t i = firstChar; i < endChar; ++i) {
    const int64_t cellX = px + CELL * i;
    const int firstColumn = static_cast<int>(std::max<int64_t>(0, clip.x - cellX));
    const int endColumn = static_cast<int>(std::min<int64_t>(CELL, clipRight - cellX));
    const uint8_t* glyph = DefaultFontGlyph(static_cast<uint8_t>(text[static_cast<size_t>(i)]));
    for (int64_t row = top; row < bottom; ++row) {
      const uint8_t bits = glyph[row - py];
      uint8_t* line = state.targetPixels + row * state.targetPitch;
      for (int k = firstColumn; k < endColumn; ++k) {
        if (bits >> k & 1) StorePixel(line + (cellX + k) * bpp, ink, bpp);
      }
    }
  }
  if (TargetIsPage(*screen)) {
    MarkRows(*screen, static_cast<int32_t>(top), static_cast<int32_t>(bottom - 1));
  }
  return OK;
}

}  // namespace display
