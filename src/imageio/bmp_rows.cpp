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
  const bool packed = layout.bitCount < 8;
  for (uint32_t i = 0; i < layout.height; ++i) {
    if (packed) {
      // 1- and 4-bit rows: the packed bytes, unpacked in place, then the padding.
      if (std::fread(rowBuffer, 1, layout.packedRowBytes, file) != layout.packedRowBytes) {
        return BMP_MALFORMED;
      }
      UnpackIndices(rowBuffer, layout.width, layout.bitCount);
      std::fseek(file, static_cast<long>(layout.packedRowPadding), SEEK_CUR);
    } else if (std::fread(rowBuffer, 1, layout.rowBufferSize, file) != layout.rowBufferSize) {
      return BMP_MALFORMED;
    }
    ConvertSpan(rowBuffer, 0, layout.width, layout.height - 1 - i, layout, conversion, target);
  }
  return BMP_OK;
}

}  // namespace imageio::bmp
