// PNG output layouts: the compact 4-byte header, the display Image and headerless
// bottom-up RGBA bytes.
#include "imageio/png_target.h"

#include <cstdlib>
#include <cstring>

#include "display/image.h"
#include "imageio/png_memory.h"

namespace imageio {

namespace {

// The compact header keeps 13 bits of width and 16 of height; larger images would
// get a header that lies about the block, so they are refused.
constexpr uint32_t COMPACT_MAX_WIDTH = 8191;
constexpr uint32_t COMPACT_MAX_HEIGHT = 65535;

void* AllocateCompact(uint32_t width, uint32_t height, PixelWriter* writer) {
  if (width > COMPACT_MAX_WIDTH || height > COMPACT_MAX_HEIGHT) return nullptr;
  const size_t rowBytes = size_t{width} * 4;
  uint8_t* block =
      static_cast<uint8_t*>(AllocateForWriting(4 + rowBytes * height, 4 + rowBytes * height));
  if (block == nullptr) return nullptr;
  const uint16_t words[2] = {static_cast<uint16_t>(4 | width << 3), static_cast<uint16_t>(height)};
  std::memcpy(block, words, sizeof words);
  *writer = {block + 4, static_cast<ptrdiff_t>(rowBytes), false};
  return block;
}

void* AllocateImageBuffer(uint32_t width, uint32_t height, PixelWriter* writer) {
  const uint32_t pitch = (width * 4 + 31) / 32 * 32;
  display::Image* image = display::AllocateImage(width, height, 4, pitch);
  if (image == nullptr) return nullptr;
  PopulateForWriting(image, display::IMAGE_HEADER_SIZE + size_t{pitch} * height);
  const uint32_t padding = pitch - width * 4;
  for (uint32_t y = 0; padding != 0 && y < height; ++y) {
    std::memset(display::ImagePixels(image) + size_t{y} * pitch + width * 4, 0, padding);
  }
  *writer = {display::ImagePixels(image), static_cast<ptrdiff_t>(pitch), false};
  return image;
}

void* AllocateRawRgba(uint32_t width, uint32_t height, PixelWriter* writer) {
  const size_t rowBytes = size_t{width} * 4;
  uint8_t* block = static_cast<uint8_t*>(AllocateForWriting(rowBytes * height, rowBytes * height));
  if (block == nullptr) return nullptr;
  *writer = {block + rowBytes * (height - 1), -static_cast<ptrdiff_t>(rowBytes), true};
  return block;
}

}  // namespace

void* AllocateTarget(PngTarget target, uint32_t width, uint32_t height, PixelWriter* writer) {
  switch (target) {
    case TargetCompactHeader: return AllocateCompact(width, height, writer);
    case TargetImageBuffer: return AllocateImageBuffer(width, height, writer);
    case TargetRawRgba: return AllocateRawRgba(width, height, writer);
    default: return nullptr;
  }
}

}  // namespace imageio
