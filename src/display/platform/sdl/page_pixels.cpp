// Widening 5-6-5 pixels and looking palette indices up, row by row.
#include "display/platform/sdl/page_pixels.h"

#include <cstring>

namespace display::platform {

namespace {

uint32_t From565(uint16_t pixel) {
  const uint32_t r = pixel >> 11, g = (pixel >> 5) & 0x3Fu, b = pixel & 0x1Fu;
  return 0xFF000000u | ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

// A palette entry (red low) as 0xAARRGGBB.
uint32_t FromEntry(uint32_t entry) {
  return 0xFF000000u | (entry & 0xFFu) << 16 | (entry & 0xFF00u) | (entry >> 16 & 0xFFu);
}

}  // namespace

void RowsToArgb(const PageView& page, int32_t width, int32_t first, int32_t last, uint8_t* target,
                uint32_t targetPitch) {
  uint32_t colours[256];
  if (page.bytesPerPixel == 1) {
    for (int i = 0; i < 256; ++i) colours[i] = FromEntry(page.palette[i]);
  }
  for (int32_t y = first; y <= last; ++y) {
    const uint8_t* source = page.pixels + size_t(y) * page.pitch;
    auto* out = reinterpret_cast<uint32_t*>(target + size_t(y) * targetPitch);
    if (page.bytesPerPixel == 2) {
      for (int32_t x = 0; x < width; ++x) {
        uint16_t pixel;
        std::memcpy(&pixel, source + size_t(x) * 2, 2);
        out[x] = From565(pixel);
      }
    } else {
      for (int32_t x = 0; x < width; ++x) out[x] = colours[source[x]];
    }
  }
}

}  // namespace display::platform
