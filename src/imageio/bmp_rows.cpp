// Stored (uncompressed) BMP rows: one row at a time through the row buffer.
#include <algorithm>

#include "imageio/bmp.h"
#include "imageio/bmp_decode.h"

namespace imageio::bmp {

void ConvertSpan(const uint8_t* pixels, uint32_t x, uint32_t count, uint32_t y,
                 const Layout& layout, const Conversion& conversion, const PixelTarget& target) {
  if (y >= target.height || x >= target.width) return;
  count = std::min(count, target.width - x);
  uint8_t* dst = target.Pixel(x, y);
  const uint32_t bpp = target.bytesPerPixel;
  switch (layout.encoding) {
    case Encoding::Rgb24:
      ConvertBgr24(pixels, count, dst, bpp);
      break;
    case Encoding::Rgb32:
      ConvertBgra32(pixels, count, dst, bpp);
      break;
    case Encoding::BitFields32:
      ConvertBitFields(pixels, count, *conversion.fields, dst, bpp);
      break;
    default:
      ConvertIndexed(pixels, count, *conversion.table, dst, bpp);
      break;
  }
}

int DecodeStoredRows(std::FILE* file, const Layout& layout, const Conversion& conversion,
                     const PixelTarget& target, uint8_t* rowBuffer) {
  // 1- and 4-bit rows: the packed bytes, unpacked in place, then the padding.
  const bool packed = layout.bitCount < 8;
  const uint64_t readSize = packed ? layout.packedRowBytes : layout.rowBufferSize;
  for (uint32_t i = 0; i < layout.height; ++i) {
    if (i > 0 && std::fread(rowBuffer, 1, readSize, file) != readSize) return BMP_MALFORMED;
    if (packed) {
      UnpackIndices(rowBuffer, layout.width, layout.bitCount);
      SkipBytes(file, layout.packedRowPadding);
    }
    ConvertSpan(rowBuffer, 0, layout.width, layout.height - 1 - i, layout, conversion, target);
  }
  return BMP_OK;
}

}  // namespace imageio::bmp
