// Image buffers: creation, release and the two header forms.
#include "display/image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "display/screen_state.h"

namespace display {

namespace {

// Transparent key colour by pixel size, the fill of DEFAULT_COLOUR_FLAG.
uint32_t KeyColour(uint32_t bytesPerPixel) {
  switch (bytesPerPixel) {
    case 4: return 0xFFFF00FFu;
    case 2: return 0xF81Fu;
    default: return 0;
  }
}

uint32_t To565(uint32_t colour) {
  return ((colour & 0xF80000u) >> 8) | ((colour & 0xFC00u) >> 5) | ((colour & 0xF8u) >> 3);
}

}  // namespace

ImageView DescribeImage(const Image* image, uint32_t screenBytesPerPixel) {
  ImageView view;
  if (image == nullptr) return view;
  auto* bytes = reinterpret_cast<uint8_t*>(const_cast<Image*>(image));
  if (image->type == IMAGE_TYPE) {
    view.bytesPerPixel = image->bytesPerPixel;
    view.width = image->width;
    view.height = image->height;
    view.pitch = image->pitch;
    view.pixels = bytes + IMAGE_HEADER_SIZE;
    return view;
  }
  const uint32_t word = image->type;
  view.bytesPerPixel = (word & 7u) != 0 ? (word & 7u) : screenBytesPerPixel;
  view.width = (word >> 3) & 0x1FFFu;
  view.height = word >> 16;
  view.pitch = view.width * view.bytesPerPixel;
  view.pixels = bytes + 4;
  return view;
}

Image* AllocateImage(uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t pitch) {
  if (width == 0 || height == 0) return nullptr;
  if (uint64_t{width} * bytesPerPixel > pitch) return nullptr;
  const uint64_t bytes = uint64_t{pitch} * height + IMAGE_HEADER_SIZE;
  if (bytes > SIZE_MAX || bytes > (uint64_t{1} << 40)) return nullptr;
  auto* image = static_cast<Image*>(std::malloc(static_cast<size_t>(bytes)));
  if (image == nullptr) return nullptr;
  image->type = IMAGE_TYPE;
  image->bytesPerPixel = bytesPerPixel;
  image->width = width;
  image->height = height;
  image->pitch = pitch;
  image->reserved = 0;
  image->zero[0] = image->zero[1] = 0;
  return image;
}

Image* CreateImage(int32_t width, int32_t height, uint32_t colour, int32_t depth, uint32_t flags) {
  const Screen* screen = CurrentScreen();
  if (screen == nullptr || width <= 0 || height <= 0) return nullptr;
  // Unsigned, so a depth near INT32_MAX cannot overflow on its way to a refusal.
  const uint32_t bytesPerPixel =
      depth <= 0 ? screen->bytesPerPixel : (static_cast<uint32_t>(depth) + 7u) / 8u;
  if (bytesPerPixel != 1 && bytesPerPixel != 2 && bytesPerPixel != 4) return nullptr;

  if (flags & DEFAULT_COLOUR_FLAG) {
    colour = KeyColour(bytesPerPixel);
  } else if (bytesPerPixel == 2) {
    colour = To565(colour);
  }
  const uint64_t rowBytes = uint64_t(width) * bytesPerPixel;
  const uint64_t pitch = (rowBytes + 15) & ~uint64_t{15};
  if (pitch > UINT32_MAX) return nullptr;
  Image* image = AllocateImage(uint32_t(width), uint32_t(height), bytesPerPixel, uint32_t(pitch));
  if (image == nullptr) return nullptr;

  // Every pixel slot, row padding included, holds the fill colour.
  uint8_t* pixels = ImagePixels(image);
  const size_t slots = size_t(pitch) * uint32_t(height) / bytesPerPixel;
  switch (bytesPerPixel) {
    case 4: std::fill_n(reinterpret_cast<uint32_t*>(pixels), slots, colour); break;
    case 2: std::fill_n(reinterpret_cast<uint16_t*>(pixels), slots, uint16_t(colour)); break;
    default: std::memset(pixels, int(colour & 0xFFu), slots); break;
  }
  return image;
}

void DestroyImage(Image* image) { std::free(image); }

}  // namespace display
