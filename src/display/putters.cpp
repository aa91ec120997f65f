// The putters: PutOpaque and PutTransparent in their 4-, 2- and 1-byte versions,
// and the alpha-mask routine of PutImage's mode 6. Each works on whole rows of
// an already clipped area.
#include <cstring>

#include "display/blit.h"
#include "display/draw_common.h"

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

// Leaves key-coloured pixels out. Every destination pixel is read and written
// back (unchanged where the source is transparent), which lets the compiler
// turn the loop into vector selects.
template <typename Pixel, typename Keep, typename Store>
void SkipKeyRows(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height,
                 int32_t srcPitch, int32_t dstPitch, Keep keep, Store store) {
  for (int32_t y = 0; y < height; ++y) {
    const Pixel* s = RowAt<Pixel>(src, srcPitch, y);
    Pixel* d = RowAt<Pixel>(dst, dstPitch, y);
    for (int32_t x = 0; x < width; ++x) d[x] = keep(s[x]) ? store(s[x]) : d[x];
  }
}

void Transparent4(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height,
                  int32_t srcPitch, int32_t dstPitch, int32_t, Blender, void*) {
  // The alpha byte is neither tested nor kept: copied pixels arrive with alpha 0.
  constexpr uint32_t RGB = 0x00FFFFFFu;
  SkipKeyRows<uint32_t>(
      src, dst, width, height, srcPitch, dstPitch,
      [](uint32_t p) { return (p & RGB) != (KEY_COLOUR_32 & RGB); },
      [](uint32_t p) { return p & RGB; });
}

void Transparent2(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height,
                  int32_t srcPitch, int32_t dstPitch, int32_t, Blender, void*) {
  SkipKeyRows<uint16_t>(
      src, dst, width, height, srcPitch, dstPitch, [](uint16_t p) { return p != KEY_COLOUR_16; },
      [](uint16_t p) { return p; });
}

void Transparent1(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height,
                  int32_t srcPitch, int32_t dstPitch, int32_t, Blender, void*) {
  SkipKeyRows<uint8_t>(
      src, dst, width, height, srcPitch, dstPitch, [](uint8_t p) { return p != KEY_COLOUR_8; },
      [](uint8_t p) { return p; });
}

}  // namespace

const Putter PutOpaque = {CopyRows<4>, CopyRows<2>, CopyRows<1>};
const Putter PutTransparent = {Transparent4, Transparent2, Transparent1};

void PutAlphaMask(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height,
                  int32_t srcPitch, int32_t dstPitch, int32_t, Blender, void*) {
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* s = RowAt<uint8_t>(src, srcPitch, y);
    uint32_t* d = RowAt<uint32_t>(dst, dstPitch, y);
    for (int32_t x = 0; x < width; ++x) d[x] = (d[x] & 0x00FFFFFFu) | uint32_t{s[x]} << 24;
  }
}

}  // namespace display
