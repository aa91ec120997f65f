// Turns a 32-bit sprite about the centre of a destination image.
//
//   display::Image* turned = display::CreateImage(48, 48, 0, 32, 0);
//   transform::RotateSprite(turned, tankFrame, heading);   // heading in degrees
//   display::PutImage(..., turned, ..., display::PutTransparent);
//
// Destination (x, y) samples the source at q + R(heading) * ((x, y) - q), with q
// the destination's centre (width / 2, height / 2, rounded down) and R the
// right-handed rotation built by Matrix (counter-clockwise on screen, where y
// grows downwards). Positions that sample outside the source get the key colour
// display::KEY_COLOUR_32 (0xFFFF00FF). The walk covers the source's width and
// height, clipped to the destination's; destination pixels beyond are left alone.
//
// Null images, images without the long header or with other than 4 bytes per
// pixel are ignored. Allocates nothing, except a copy of the image when the
// destination is the source (turning in place). Safe from several threads at once on
// different destinations. Assumes the round-to-nearest mode the program runs in.
#pragma once
#include <cstdint>

#include "display/image.h"

namespace transform {

void RotateSprite(display::Image* destination, const display::Image* source, int32_t heading);

}  // namespace transform
