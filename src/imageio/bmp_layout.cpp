// Header checks of the BMP reader: which files it takes and where their parts lie.
#include "imageio/bmp_layout.h"

#include <limits>

#include "imageio/bmp.h"

namespace imageio::bmp {
namespace {

constexpr uint16_t SIGNATURE_BM = 0x4D42;  // "BM" read as a little-endian word
constexpr uint32_t COMPRESSION_NONE = 0;
constexpr uint32_t COMPRESSION_RLE8 = 1;
constexpr uint32_t COMPRESSION_RLE4 = 2;
constexpr uint32_t COMPRESSION_BITFIELDS = 3;

// Picks the encoding, or returns false for a combination this reader refuses.
bool ChooseEncoding(uint32_t bitCount, uint32_t compression, Encoding* encoding) {
  const bool supportedDepth =
      bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 || bitCount == 32;
  if (!supportedDepth) return false;
  switch (compression) {
    case COMPRESSION_NONE:
      *encoding = bitCount <= 8 ? Encoding::Indexed
                  : bitCount == 24 ? Encoding::Rgb24
                                   : Encoding::Rgb32;
      return true;
    case COMPRESSION_RLE8:
      *encoding = Encoding::Rle8;
      return bitCount == 8;
    case COMPRESSION_RLE4:
      *encoding = Encoding::Rle4;
      return bitCount == 4;
    case COMPRESSION_BITFIELDS:
      *encoding = Encoding::BitFields32;
      return bitCount == 32;
    default:
      return false;
  }
}

}  // namespace

Header ParseHeader(const uint8_t* bytes) {
  Header h{};
  h.signature = ReadLe16(bytes);
  h.dataOffset = ReadLe32(bytes + 10);
  h.infoSize = ReadLe32(bytes + 14);
  h.width = static_cast<int32_t>(ReadLe32(bytes + 18));
  h.height = static_cast<int32_t>(ReadLe32(bytes + 22));
  h.bitCount = ReadLe16(bytes + 28);
  h.compression = ReadLe32(bytes + 30);
  return h;
}

int DescribeLayout(const Header& header, Layout* layout) {
  if (header.signature != SIGNATURE_BM || header.infoSize != INFO_HEADER_SIZE) {
    return BMP_MALFORMED;
  }
  Encoding encoding;
  if (!ChooseEncoding(header.bitCount, header.compression, &encoding)) return BMP_REFUSED;
  if (header.width <= 0 || header.height <= 0) return BMP_MALFORMED;

  // The palette starts after the header (and the masks of a bit-field file) and
  // ends where the pixel data begins; the display palette holds 256 entries.
  const uint32_t paletteStart =
      HEADER_SIZE + (encoding == Encoding::BitFields32 ? MASKS_SIZE : 0);
  const uint32_t paletteLimit = paletteStart + MAX_PALETTE_ENTRIES * PALETTE_ENTRY_SIZE;
  if (header.dataOffset < paletteStart || header.dataOffset > paletteLimit) return BMP_MALFORMED;

  const uint64_t width = static_cast<uint32_t>(header.width);
  const uint64_t bytesPerPixel = (header.bitCount + 7u) / 8u;  // 1 for 1- and 4-bit indices
  const uint64_t rowBufferSize = (bytesPerPixel * width + 3) & ~uint64_t{3};
  // The row buffer is one allocation of S + 1 bytes; keep it within 32-bit sizes.
  if (rowBufferSize >= std::numeric_limits<uint32_t>::max()) return BMP_MALFORMED;

  const uint64_t packedRowBytes = (width * header.bitCount + 7) / 8;
  layout->encoding = encoding;
  layout->width = static_cast<uint32_t>(header.width);
  layout->height = static_cast<uint32_t>(header.height);
  layout->bitCount = header.bitCount;
  layout->paletteCount = (header.dataOffset - paletteStart) / PALETTE_ENTRY_SIZE;
  layout->gapBeforeData = (header.dataOffset - paletteStart) % PALETTE_ENTRY_SIZE;
  layout->rowBufferSize = rowBufferSize;
  layout->packedRowBytes = packedRowBytes;
  layout->packedRowPadding = (4 - packedRowBytes % 4) % 4;
  return BMP_OK;
}

}  // namespace imageio::bmp
