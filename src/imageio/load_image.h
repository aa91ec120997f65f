// Loading an image file into a new Image, the decoder chosen by the name's end.
//
//   display::Image* tank = imageio::LoadImage("tank.bmp");
//   ...
//   display::DestroyImage(tank);
//
// The last three characters of the name, lower-cased, pick the decoder: "bmp",
// "png" or "jpg" (no dot needed: "blok.jpeg" ends in "peg" and yields null).
// Needs an open screen (images take its pixel size). Returns null on any failure;
// the caller owns the result.
#pragma once
#include "display/image.h"

namespace imageio {

display::Image* LoadImage(const char* name);

}  // namespace imageio
