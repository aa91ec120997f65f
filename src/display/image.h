// Image buffers: one malloc'd block, a 32-byte header and the pixel rows.
//
//   Image* img = display::CreateImage(48, 48, 0, 0, display::DEFAULT_COLOUR_FLAG);
//   uint32_t* row = display::ImageRow32(img, y);   // 0xAARRGGBB pixels
//   display::DestroyImage(img);
//
// Pixels are little-endian words 0xAARRGGBB (4 bytes), RGB 5-6-5 (2 bytes) or
// palette indices (1 byte); rows are `pitch` bytes apart, top row first.
// Producers other than CreateImage (the loaders) allocate with std::malloc so that
// DestroyImage (std::free) releases every image alike.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "display/markers.h"

namespace display {

inline constexpr uint32_t IMAGE_TYPE = 7;
inline constexpr size_t IMAGE_HEADER_SIZE = 32;

// The long header form. All fields are little-endian 32-bit words.
struct Image {
  uint32_t type;           // IMAGE_TYPE
  uint32_t bytesPerPixel;  // 1, 2 or 4
  uint32_t width;          // > 0
  uint32_t height;         // > 0
  uint32_t pitch;          // bytes from one row to the next, >= width * bytesPerPixel
  uint32_t reserved;       // not written by CreateImage, read by nothing
  uint32_t zero[2];        // zero
};
static_assert(sizeof(Image) == IMAGE_HEADER_SIZE);

// Geometry of an image in either header form. A block whose first word is not 7
// has the 4-byte short header: bits 0-2 bytes per pixel (0 = the screen's),
// bits 3-15 width, bits 16-31 height, pitch width * bytes per pixel.
struct ImageView {
  uint32_t bytesPerPixel = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t pitch = 0;
  uint8_t* pixels = nullptr;
};
// screenBytesPerPixel stands in for a short header's 0.
ImageView DescribeImage(const Image* image, uint32_t screenBytesPerPixel);

inline uint8_t* ImagePixels(Image* image) {
  return reinterpret_cast<uint8_t*>(image) + IMAGE_HEADER_SIZE;
}
inline const uint8_t* ImagePixels(const Image* image) {
  return reinterpret_cast<const uint8_t*>(image) + IMAGE_HEADER_SIZE;
}
inline uint32_t* ImageRow32(Image* image, uint32_t y) {
  return reinterpret_cast<uint32_t*>(ImagePixels(image) + size_t{y} * image->pitch);
}
inline const uint32_t* ImageRow32(const Image* image, uint32_t y) {
  return reinterpret_cast<const uint32_t*>(ImagePixels(image) + size_t{y} * image->pitch);
}

// Makes a width x height image. depth in bits (0 = the screen's; must give 1, 2 or
// 4 bytes per pixel, so 24 is refused). With DEFAULT_COLOUR_FLAG in flags the fill
// is the transparent key colour; otherwise `colour` (0x00RRGGBB, converted to
// 5-6-5 for 2-byte pixels). Pitch is rounded up to 16 bytes and the padding is
// filled too. Returns null without an open screen, for a non-positive size, an
// unsupported depth or when memory runs out. Any thread.
Image* CreateImage(int32_t width, int32_t height, uint32_t colour, int32_t depth, uint32_t flags);

// Releases an image from CreateImage or a loader; null is ignored.
void DestroyImage(Image* image);

// Allocates an uninitialised image block with the given geometry (type 7 header
// written, reserved words zero). For loaders that choose their own pitch. Returns
// null when the size overflows or memory runs out. Needs no screen.
Image* AllocateImage(uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t pitch);

struct ImageDeleter {
  void operator()(Image* image) const { DestroyImage(image); }
};
using ImagePtr = std::unique_ptr<Image, ImageDeleter>;

}  // namespace display
