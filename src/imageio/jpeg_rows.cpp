// Row conversion for the JPEG loader: library samples to image pixels.
#include "imageio/jpeg_rows.h"

#include <cstddef>
#include <cstring>

namespace imageio {
namespace {

struct Rgb {
  uint32_t r, g, b;
};

Rgb ReadRgb(const uint8_t* s) { return {s[0], s[1], s[2]}; }

// Inverted CMYK stores how much light each ink lets through, so a channel is its
// own value scaled by the black value, rounded to nearest.
uint32_t Light(uint32_t value, uint32_t black) { return (value * black + 127) / 255; }

Rgb ReadInvertedCmyk(const uint8_t* s) {
  return {Light(s[0], s[3]), Light(s[1], s[3]), Light(s[2], s[3])};
}

template <size_t components, Rgb (*read)(const uint8_t*)>
void ToPixels32(const uint8_t* samples, uint32_t width, uint8_t* dest) {
  auto* out = reinterpret_cast<uint32_t*>(dest);
  for (uint32_t x = 0; x < width; ++x, samples += components) {
    const Rgb c = read(samples);
    out[x] = 0xFF000000u | c.r << 16 | c.g << 8 | c.b;
  }
}

template <size_t components, Rgb (*read)(const uint8_t*)>
void ToPixels16(const uint8_t* samples, uint32_t width, uint8_t* dest) {
  auto* out = reinterpret_cast<uint16_t*>(dest);
  for (uint32_t x = 0; x < width; ++x, samples += components) {
    const Rgb c = read(samples);
    out[x] = static_cast<uint16_t>((c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3);
  }
}

}  // namespace

void ConvertJpegRow(const uint8_t* samples, JpegSamples layout, uint32_t width,
                    uint32_t bytesPerPixel, uint8_t* dest) {
  if (bytesPerPixel == 4) {
    if (layout == JpegSamples::Bgra) {
      std::memcpy(dest, samples, size_t{width} * 4);
    } else if (layout == JpegSamples::InvertedCmyk) {
      ToPixels32<4, ReadInvertedCmyk>(samples, width, dest);
    }
  } else if (bytesPerPixel == 2) {
    if (layout == JpegSamples::Rgb) {
      ToPixels16<3, ReadRgb>(samples, width, dest);
    } else if (layout == JpegSamples::InvertedCmyk) {
      ToPixels16<4, ReadInvertedCmyk>(samples, width, dest);
    }
  }
}

}  // namespace imageio
