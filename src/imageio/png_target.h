// The three PNG output layouts: allocation, headers and where each row lives.
#pragma once
#include <cstddef>
#include <cstdint>

#include "imageio/png.h"

namespace imageio {

// Where a target layout keeps its pixel rows and in which byte order.
struct PixelWriter {
  uint8_t* row0;        // first pixel of row 0 (the top row)
  ptrdiff_t rowStride;  // bytes from row y to row y + 1; negative when stored bottom-up
  bool rgbaOrder;       // bytes red, green, blue, alpha rather than a 0xAARRGGBB word

  uint32_t* Row(uint32_t y) const {
    return reinterpret_cast<uint32_t*>(row0 + static_cast<ptrdiff_t>(y) * rowStride);
  }
};

// Allocates the block of `target` for a width x height image, writes its header,
// zeroes any row padding and describes its rows. The pixels are left for the
// caller, which writes every one of them (Adam7's passes cover every pixel too). Null for an
// unknown target, a size the layout cannot describe, or when memory runs out. The caller checked
// that 32 + width x height x 4 (rows padded to 32 bytes) fits in 32 bits.
void* AllocateTarget(PngTarget target, uint32_t width, uint32_t height, PixelWriter* writer);

}  // namespace imageio
