// The BMP path of the image loaders: uncompressed, run-length and 32-bit
// bit-field BMP files with the 40-byte info header, into Image buffers.
//
//   display::Image* sprite = imageio::LoadBmp("tank.bmp");   // null on failure
//   int status = imageio::ReadBmp("tank.bmp", existingImage);  // BMP_OK ...
//
// Both need an open screen: the image takes the screen's pixel size, and palette
// files write their colours into the display palette (entries 0..n-1).
#pragma once
#include "display/image.h"

namespace imageio {

// Status codes of ReadBmp.
enum BmpStatus : int {
  BMP_OK = 0,
  BMP_REFUSED = 1,      // a format this reader does not take (e.g. 16-bit pixels)
  BMP_CANNOT_OPEN = 2,  // the file could not be opened
  BMP_MALFORMED = 3,    // bad header, bad run-length data, or the file ends early
};

// Creates an image of the file's width x height at the screen's depth, filled
// with the transparent key colour, and fills it from the file with ReadBmp.
// Pixels the file does not supply keep the key colour. Returns null when the file
// cannot be opened, its width or height is not positive (top-down files too), the
// image would overflow 32-bit sizes, or no screen is open. The caller owns the
// result (display::DestroyImage).
display::Image* LoadBmp(const char* name);

// Fills `image` (32-byte header form) from the BMP file `name`, stored rows going
// bottom up from the image's last line. Copies min(file, image) columns and rows;
// lines converted before a read error keep their new pixels. Holds the screen
// lock (unless this thread holds it) while it writes the palette and the rows.
int ReadBmp(const char* name, display::Image* image);

}  // namespace imageio
