// The JPEG loader's stream entry, shared with its tests and fuzzer only.
#pragma once
#include <cstdint>
#include <cstdio>

#include "display/image.h"

namespace imageio {

// LoadJpeg's limit: the pixel count above which a file is refused before anything
// is allocated for it. 64 Mi pixels is a 256 MiB image at 4 bytes per pixel.
inline constexpr uint64_t JPEG_MAX_PIXELS = uint64_t{1} << 26;

// Decodes a JPEG from an open stream (read from its current position, left open)
// into a new image, refusing images of more than maxPixels pixels. Null on failure.
display::Image* DecodeJpeg(std::FILE* file, uint64_t maxPixels);

}  // namespace imageio
