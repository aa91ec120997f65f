// LoadBmp: a new image of the file's size, filled as ReadBmp fills an image,
// from one opening of the file.
#include <cstdio>
#include <limits>

#include "display/screen.h"
#include "imageio/bmp.h"
#include "imageio/bmp_file.h"

namespace imageio {
namespace {

// The image block (header and rows, pitch rounded to 16 bytes) must stay within
// 32-bit sizes: the header's fields are 32-bit, and a hostile header must never
// lead to a wrapped or absurd allocation.
bool ImageSizeFits(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return false;
  const uint64_t bytesPerPixel = static_cast<uint64_t>(display::GetScreenInfo().bytesPerPixel);
  const uint64_t pitch = (uint64_t{static_cast<uint32_t>(width)} * bytesPerPixel + 15) & ~uint64_t{15};
  const uint64_t total = display::IMAGE_HEADER_SIZE + pitch * static_cast<uint32_t>(height);
  return total <= std::numeric_limits<uint32_t>::max();
}

}  // namespace

display::Image* LoadBmp(const char* name) {
  if (name == nullptr) return nullptr;
  bmp::File file(std::fopen(name, "rb"));
  if (!file) return nullptr;
  // A short file leaves the rest of the header zero, so its size reads as 0.
  const bmp::HeaderBytes header = bmp::ReadHeaderBytes(file.get());

  const auto width = static_cast<int32_t>(bmp::ReadLe32(header.bytes + 18));
  const auto height = static_cast<int32_t>(bmp::ReadLe32(header.bytes + 22));
  if (!ImageSizeFits(width, height)) return nullptr;
  display::Image* image = display::CreateImage(width, height, 0, 0, display::DEFAULT_COLOUR_FLAG);
  if (image == nullptr) return nullptr;
  // Whatever the status, the caller gets the image: pixels the file did not
  // supply keep the key colour.
  bmp::ReadAfterHeader(file.get(), header, image);
  return image;
}

}  // namespace imageio
