// The putters: PutOpaque and PutTransparent in their 4-, 2- and 1-byte versions,
// and the alpha-mask routine of PutImage's mode 6. Each works on whole rows of
// an already clipped area.
#include <cstring>

#include "display/blit.h"
#include "display/draw_common.h"
#include "display/keyed_rows.h"

namespace display {
namespace {

template <typename Pixel>
Pixel* RowAt(uint8_t* base, int32_t pitch, int32_t y) {
  return reinterpret_cast<Pixel*>(base + static_cast<intptr_t>(y) * pitch);
}
template <typename Pixel>
const Pixel* RowAt(const uint8_t* base, int32_t pitch, int32_t y) {
  return reinterpret_cast<const Pixel*>(base + static_cast<intptr_t>(y) * pitch);
}

template <int BytesPerPixel>
void CopyRows(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height, int32_t srcPitch,
              int32_t dstPitch, int32_t, Blender, void*) {
  // memmove: an image put into itself may overlap its own rows.
  const size_t rowBytes = static_cast<size_t>(width) * BytesPerPixel;
  for (int32_t y = 0; y < height; ++y) {
    std::memmove(dst + static_cast<intptr_t>(y) * dstPitch,
                src + static_cast<intptr_t>(y) * srcPitch, rowBytes);
  }
}

// The keyed copy lives in keyed_rows.cpp, in versions for each processor.
template <int BytesPerPixel>
void Transparent(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height,
                 int32_t srcPitch, int32_t dstPitch, int32_t, Blender, void*) {
  detail::CopyKeyed(BytesPerPixel, src, dst, width, height, srcPitch, dstPitch);
}

}  // namespace

const Putter PutOpaque = {CopyRows<4>, CopyRows<2>, CopyRows<1>};
const Putter PutTransparent = {Transparent<4>, Transparent<2>, Transparent<1>};

void PutAlphaMask(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height,
                  int32_t srcPitch, int32_t dstPitch, int32_t, Blender, void*) {
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* s = RowAt<uint8_t>(src, srcPitch, y);
    uint32_t* d = RowAt<uint32_t>(dst, dstPitch, y);
    for (int32_t x = 0; x < width; ++x) d[x] = (d[x] & 0x00FFFFFFu) | uint32_t{s[x]} << 24;
  }
}

}  // namespace display
