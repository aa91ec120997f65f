// JPEG files into display images, decoded by the system's libjpeg.
//
//   display::Image* img = imageio::LoadJpeg("photo.jpg");   // needs an open screen
//   if (img != nullptr) {
//     ... use img ...
//     display::DestroyImage(img);
//   }
//
// The image has the screen's pixel size and the pitch CreateImage gives it.
// 4-byte pixels are 0xFFRRGGBB, 2-byte pixels RGB 5-6-5; on a 1-byte screen the
// image keeps its fill. Grayscale files load as gray RGB; CMYK and YCCK files are
// read as Adobe-style inverted CMYK and converted to RGB.
#pragma once
#include "display/image.h"

namespace imageio {

// Decodes the JPEG file at `path` into a new image owned by the caller. Returns
// null when the file cannot be opened, is not a JPEG the library can decode, is
// too large (over 64 Mi pixels) or when no screen is open. Prints nothing. Data
// that ends early still loads: the library fills the missing part. Any thread;
// concurrent calls are independent.
display::Image* LoadJpeg(const char* path);

}  // namespace imageio
