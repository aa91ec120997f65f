// Internal to the BMP reader: conversion of one row of file pixels into a line
// of a 4-byte (0xAARRGGBB), 2-byte (5-6-5) or 1-byte (index) image.
#pragma once
#include <cstdint>

namespace imageio::bmp {

// Where converted pixels go: `width` x `height` pixels of the target image (the
// part that the file covers), lines `pitch` bytes apart.
struct PixelTarget {
  uint8_t* pixels = nullptr;
  uint32_t pitch = 0;
  uint32_t bytesPerPixel = 0;  // 1, 2 or 4
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t* Pixel(uint32_t x, uint32_t y) const {
    return pixels + uint64_t{y} * pitch + uint64_t{x} * bytesPerPixel;
  }
};

// The target pixel for each palette index: from the display palette (red bits
// 0-7, green 8-15, blue 16-23) as opaque 0xFFRRGGBB or 5-6-5; for 1-byte targets
// the index itself ANDed with indexMask.
struct IndexTable {
  uint32_t entry[256];
};
IndexTable BuildIndexTable(const uint32_t (&displayPalette)[256], uint32_t bytesPerPixel,
                           uint32_t indexMask);

// Unpacks `count` 1- or 4-bit indices, most significant bits first, from the
// packed bytes at the start of `buffer` into one byte per index, in place.
void UnpackIndices(uint8_t* buffer, uint32_t count, uint32_t bitCount);

// Each converter writes `count` pixels to dst (a target pixel address).
void ConvertIndexed(const uint8_t* indices, uint32_t count, const IndexTable& table, uint8_t* dst,
                    uint32_t bytesPerPixel);
// Blue, green, red triples; opaque. Reads one byte past the last triple.
void ConvertBgr24(const uint8_t* src, uint32_t count, uint8_t* dst, uint32_t bytesPerPixel);
// Blue, green, red and a fourth byte that becomes alpha.
void ConvertBgra32(const uint8_t* src, uint32_t count, uint8_t* dst, uint32_t bytesPerPixel);

// Decodes 32-bit pixels by their red, green and blue masks; opaque.
class BitFieldDecoder {
 public:
  BitFieldDecoder(uint32_t redMask, uint32_t greenMask, uint32_t blueMask);
  uint32_t ToArgb(uint32_t pixel) const;

 private:
  struct Channel {
    uint32_t mask = 0;
    uint32_t shift = 0;  // of the mask's lowest bit
    uint32_t bits = 0;   // from the lowest to the highest mask bit
  };
  static Channel Describe(uint32_t mask);
  static uint32_t Extract(const Channel& channel, uint32_t pixel);
  Channel red_, green_, blue_;
};
void ConvertBitFields(const uint8_t* src, uint32_t count, const BitFieldDecoder& decoder,
                      uint8_t* dst, uint32_t bytesPerPixel);

// 0xAARRGGBB to 5-6-5.
inline uint16_t ToRgb565(uint32_t argb) {
  return static_cast<uint16_t>(((argb & 0xF80000u) >> 8) | ((argb & 0xFC00u) >> 5) |
                               ((argb & 0xF8u) >> 3));
}

}  // namespace imageio::bmp
