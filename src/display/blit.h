// Blitting: copy an Image, or a rectangle of it, to the screen page or into another
// Image, opaquely or leaving out the transparent key colour.
//
//   display::PutImage(nullptr, 304.0f, 224.0f, bird, display::ARG_DEFAULT, 0, 0, 0,
//                     0, 0, display::PutTransparent);
#pragma once
#include <cstdint>

#include "display/image.h"
#include "display/markers.h"

namespace display {

// Transparent key colour by pixel size. A 4-byte pixel is transparent when its low
// 24 bits are 0xFF00FF (alpha ignored).
inline constexpr uint32_t KEY_COLOUR_32 = 0xFFFF00FFu;
inline constexpr uint16_t KEY_COLOUR_16 = 0xF81F;
inline constexpr uint8_t KEY_COLOUR_8 = 0;

// A blending routine and its parameter are passed through to the putter; the two
// putters of this layer ignore them.
using Blender = uint32_t (*)(uint32_t source, uint32_t destination, int32_t alpha, void* parameter);

// One putter version: copies a width x height area from src to dst.
using PutterRoutine = void (*)(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height,
                               int32_t srcPitch, int32_t dstPitch, int32_t alpha, Blender blender,
                               void* parameter);
// A putter has one version per pixel size; the target's size picks it.
struct Putter {
  PutterRoutine bytes4;
  PutterRoutine bytes2;
  PutterRoutine bytes1;
};
extern const Putter PutOpaque;       // copies every pixel, alpha included
extern const Putter PutTransparent;  // skips key-coloured pixels; 4-byte pixels stored with alpha 0

// target: an Image or null for the screen page. (x, y): destination of the source
// area's top-left pixel, rounded half away from zero. x1..y2: inclusive source
// corners; x1 == ARG_DEFAULT means the whole source. coordType 0..3 (absolute or
// relative position / second corner). mode 6 is the alpha mask (a 1-byte source
// onto a 4-byte target sets only the alpha bytes); other modes only name the
// operation. Returns 1, drawing nothing, without a screen or source, for a
// coordType outside 0..3 or when source and target pixel sizes differ; 0
// otherwise, also when nothing is visible. Takes the screen lock only when
// something is drawn; marks the drawn rows when the target is the screen.
// One thread at a time: all drawing shares one drawing state.
int PutImage(Image* target, float x, float y, const Image* source, int32_t x1, int32_t y1,
             int32_t x2, int32_t y2, int32_t coordType, int32_t mode, const Putter& putter,
             int32_t alpha = -1, Blender blender = nullptr, void* parameter = nullptr);

}  // namespace display
