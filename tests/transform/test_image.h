// Image buffers for the transform tests, built without the display library: one
// malloc'd block, the 32-byte header and the rows, released with free.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "display/image.h"

namespace transform::testing {

struct FreeImage {
  void operator()(display::Image* image) const { std::free(image); }
};
using TestImage = std::unique_ptr<display::Image, FreeImage>;

// width x height 32-bit pixels, rows padded by `padPixels` and every pixel,
// padding included, set to `fill`.
inline TestImage MakeImage(uint32_t width, uint32_t height, uint32_t fill, uint32_t padPixels = 0) {
  const uint32_t pitch = (width + padPixels) * 4;
  auto* image = static_cast<display::Image*>(
      std::malloc(display::IMAGE_HEADER_SIZE + size_t{pitch} * height));
  *image = display::Image{display::IMAGE_TYPE, 4, width, height, pitch, 0, {0, 0}};
  for (uint32_t y = 0; y < height; ++y) {
    uint32_t* row = display::ImageRow32(image, y);
    for (uint32_t x = 0; x < width + padPixels; ++x) row[x] = fill;
  }
  return TestImage(image);
}

inline uint32_t Pixel(const display::Image* image, uint32_t x, uint32_t y) {
  return display::ImageRow32(image, y)[x];
}

// A pixel value unique to (x, y), with a varying alpha byte and never the key.
inline uint32_t Distinct(uint32_t x, uint32_t y) { return 0x10000000u * (y % 8) + (y << 12) + x; }

// A width x height image whose pixel (x, y) is Distinct(x, y).
inline TestImage MakeDistinctImage(uint32_t width, uint32_t height, uint32_t padPixels = 0) {
  TestImage image = MakeImage(width, height, 0, padPixels);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) display::ImageRow32(image.get(), y)[x] = Distinct(x, y);
  }
  return image;
}

}  // namespace transform::testing
