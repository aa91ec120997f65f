// Internal to the display library: what PutImage and DrawText share.
#pragma once
#include <cstdint>

#include "display/blit.h"

namespace display {

// A drawing position in pixels: rounded half away from zero (10.5 -> 11,
// -2.5 -> -3, -0.3 -> 0). Far-off values (and NaN) are held at +-2^30, which
// is off every target and keeps the clipping sums in range.
int32_t RoundToPixel(float value);

struct DrawingState;

// A drawing position resolved to a target pixel.
struct PixelPoint {
  int64_t x, y;
};
// Adds the current point when the position is relative, makes the result the new
// current point, and turns it into a pixel offset by the clip rectangle's origin.
PixelPoint PlaceAt(DrawingState& state, float x, float y, bool relative);

// Mode 6 of PutImage: each byte of a 1-byte source becomes the alpha byte of a
// 4-byte destination pixel, whose colour stays.
void PutAlphaMask(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height,
                  int32_t srcPitch, int32_t dstPitch, int32_t alpha, Blender blender,
                  void* parameter);

}  // namespace display
