// Internal to the BMP reader: the 54-byte file header and what it says about
// the pixel data that follows.
#pragma once
#include <cstddef>
#include <cstdint>

namespace imageio::bmp {

inline constexpr size_t HEADER_SIZE = 54;
inline constexpr uint32_t INFO_HEADER_SIZE = 40;
inline constexpr size_t MASKS_SIZE = 12;  // red, green and blue masks of bit-field files
inline constexpr uint32_t MAX_PALETTE_ENTRIES = 256;
inline constexpr size_t PALETTE_ENTRY_SIZE = 4;  // blue, green, red, reserved

struct Header {
  uint16_t signature;
  uint32_t dataOffset;
  uint32_t infoSize;
  int32_t width;
  int32_t height;
  uint16_t bitCount;
  uint32_t compression;
};

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Reads the fields of a HEADER_SIZE-byte header.
Header ParseHeader(const uint8_t* bytes);

enum class Encoding { Indexed, Rgb24, Rgb32, BitFields32, Rle8, Rle4 };

struct Layout {
  Encoding encoding = Encoding::Indexed;
  uint32_t width = 0;            // > 0
  uint32_t height = 0;           // > 0, rows stored bottom up
  uint32_t bitCount = 0;         // 1, 4, 8, 24 or 32
  uint32_t paletteCount = 0;     // entries right after the header (and the masks)
  uint32_t gapBeforeData = 0;    // 0-3 bytes between the palette and the pixel data
  uint64_t rowBufferSize = 0;    // S: one unpacked or stored row, a multiple of 4
  uint64_t packedRowBytes = 0;   // bytes of pixel data in a stored 1- or 4-bit row
  uint64_t packedRowPadding = 0; // padding after them
};

// Checks the header and works out the layout. Returns BMP_OK, BMP_REFUSED for
// formats this reader does not take (bit counts other than 1, 4, 8, 24, 32;
// compressions other than none, RLE8 on 8 bits, RLE4 on 4 bits and bit fields on
// 32 bits) or BMP_MALFORMED (signature, info-header size, non-positive size, a
// pixel-data offset that leaves no room for the palette or holds more than 256
// entries, rows too long to buffer).
int DescribeLayout(const Header& header, Layout* layout);

// True for the encodings that carry their own colours (no palette lookup).
inline bool IsDirectColour(Encoding e) {
  return e == Encoding::Rgb24 || e == Encoding::Rgb32 || e == Encoding::BitFields32;
}

}  // namespace imageio::bmp
