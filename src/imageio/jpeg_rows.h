// Conversion of one decoded JPEG row into one image row of 4-, 2- or 1-byte pixels.
#pragma once
#include <cstdint>

namespace imageio {

// What the decompressor hands out per pixel.
enum class JpegSamples {
  Bgra,          // 4 samples: blue, green, red, 255: a little-endian 0xFFRRGGBB word
  Rgb,           // 3 samples: red, green, blue
  InvertedCmyk,  // 4 samples: cyan, magenta, yellow, black, 255 = no ink (Adobe)
};

inline constexpr int SampleCount(JpegSamples layout) {
  return layout == JpegSamples::Rgb ? 3 : 4;
}

// Converts `width` pixels of `samples` into `dest`: 0xFFRRGGBB words for 4-byte
// pixels, RGB 5-6-5 for 2-byte pixels. A 1-byte row is left untouched (it keeps
// the image's fill). Bgra rows are already 4-byte pixels and go only into 4-byte
// rows. Writes width * bytesPerPixel bytes at most.
void ConvertJpegRow(const uint8_t* samples, JpegSamples layout, uint32_t width,
                    uint32_t bytesPerPixel, uint8_t* dest);

}  // namespace imageio
