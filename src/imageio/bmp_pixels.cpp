// Row conversions of the BMP reader, one loop per source encoding and pixel size.
#include "imageio/bmp_pixels.h"

#include <bit>
#include <cstring>

namespace imageio::bmp {
namespace {

uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, sizeof v); }
void Store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, sizeof v); }

constexpr uint32_t OPAQUE = 0xFF000000u;

// Writes `count` pixels made by argbOf(i) as 4-byte or 5-6-5 pixels.
template <typename ArgbOf>
void StoreDirect(uint32_t count, uint8_t* dst, uint32_t bytesPerPixel, ArgbOf argbOf) {
  if (bytesPerPixel == 4) {
    for (uint32_t i = 0; i < count; ++i) Store32(dst + 4 * i, argbOf(i));
  } else {
    for (uint32_t i = 0; i < count; ++i) Store16(dst + 2 * i, ToRgb565(argbOf(i)));
  }
}

}  // namespace

IndexTable BuildIndexTable(const uint32_t (&displayPalette)[256], uint32_t bytesPerPixel,
                           uint32_t indexMask) {
  IndexTable table{};
  for (uint32_t i = 0; i < 256; ++i) {
    const uint32_t c = displayPalette[i];
    const uint32_t argb = OPAQUE | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
    table.entry[i] = bytesPerPixel == 4   ? argb
                     : bytesPerPixel == 2 ? ToRgb565(argb)
                                          : (i & indexMask);
  }
  return table;
}

void UnpackIndices(uint8_t* buffer, uint32_t count, uint32_t bitCount) {
  // Backwards, so that every packed byte is read before its slot is overwritten:
  // index j comes from byte j * bitCount / 8, which is never after j.
  const uint32_t perByte = 8 / bitCount;
  const uint32_t valueMask = (1u << bitCount) - 1;
  for (uint32_t j = count; j-- > 0;) {
    const uint32_t shift = 8 - bitCount * (j % perByte + 1);
    buffer[j] = static_cast<uint8_t>(buffer[j / perByte] >> shift & valueMask);
  }
}

void ConvertIndexed(const uint8_t* indices, uint32_t count, const IndexTable& table, uint8_t* dst,
                    uint32_t bytesPerPixel) {
  switch (bytesPerPixel) {
    case 4:
      for (uint32_t i = 0; i < count; ++i) Store32(dst + 4 * i, table.entry[indices[i]]);
      break;
    case 2:
      for (uint32_t i = 0; i < count; ++i) {
        Store16(dst + 2 * i, static_cast<uint16_t>(table.entry[indices[i]]));
      }
      break;
    default:
      for (uint32_t i = 0; i < count; ++i) dst[i] = static_cast<uint8_t>(table.entry[indices[i]]);
      break;
  }
}

void ConvertBgr24(const uint8_t* src, uint32_t count, uint8_t* dst, uint32_t bytesPerPixel) {
  // A 4-byte load per pixel: the byte after the last triple is the row buffer's spare.
  StoreDirect(count, dst, bytesPerPixel, [src](uint32_t i) { return Load32(src + 3 * i) | OPAQUE; });
}

void ConvertBgra32(const uint8_t* src, uint32_t count, uint8_t* dst, uint32_t bytesPerPixel) {
  if (bytesPerPixel == 4) {
    std::memcpy(dst, src, size_t{count} * 4);
    return;
  }
  StoreDirect(count, dst, bytesPerPixel, [src](uint32_t i) { return Load32(src + 4 * i); });
}

BitFieldDecoder::BitFieldDecoder(uint32_t redMask, uint32_t greenMask, uint32_t blueMask)
    : red_(Describe(redMask)), green_(Describe(greenMask)), blue_(Describe(blueMask)) {}

BitFieldDecoder::Channel BitFieldDecoder::Describe(uint32_t mask) {
  Channel c;
  if (mask == 0) return c;
  c.mask = mask;
  c.shift = static_cast<uint32_t>(std::countr_zero(mask));
  c.bits = static_cast<uint32_t>(std::bit_width(mask >> c.shift));
  return c;
}

// Scales the channel to 8 bits: wider channels keep their top 8 bits, narrower
// ones are stretched so that their maximum becomes 255.
uint32_t BitFieldDecoder::Extract(const Channel& channel, uint32_t pixel) {
  if (channel.bits == 0) return 0;
  const uint32_t value = (pixel & channel.mask) >> channel.shift;
  if (channel.bits >= 8) return value >> (channel.bits - 8);
  const uint32_t max = (1u << channel.bits) - 1;
  return (value * 255 + max / 2) / max;
}

uint32_t BitFieldDecoder::ToArgb(uint32_t pixel) const {
  return OPAQUE | Extract(red_, pixel) << 16 | Extract(green_, pixel) << 8 |
         Extract(blue_, pixel);
}

void ConvertBitFields(const uint8_t* src, uint32_t count, const BitFieldDecoder& decoder,
                      uint8_t* dst, uint32_t bytesPerPixel) {
  StoreDirect(count, dst, bytesPerPixel,
              [src, &decoder](uint32_t i) { return decoder.ToArgb(Load32(src + 4 * i)); });
}

}  // namespace imageio::bmp
