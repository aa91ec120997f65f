// PNG decoding into 32-bit 0xAARRGGBB pixels.
//
//   display::Image* img = imageio::LoadPng("picture.png");      // null on any failure
//   ...
//   display::DestroyImage(img);
//
//   void* rgba = imageio::DecodePng(bytes, size, imageio::TargetRawRgba);
//   ...
//   std::free(rgba);
//
// The decoder is strict: a damaged chunk (bad CRC, truncation), bytes after "IEND",
// an unsupported header or image data that does not inflate to exactly the size the
// header implies all give null. Nothing is printed. Every call is independent and
// thread-safe; the input is only read.
#pragma once
#include <cstddef>
#include <cstdint>

#include "display/image.h"

namespace imageio {

// Output layout of a decode. Every layout is one std::malloc'd block (free it with
// std::free, or display::DestroyImage for an Image).
enum PngTarget : uint32_t {
  // 4-byte header (bits 0-2 of word 1: 4 bytes per pixel, bits 3-15: width; word 2:
  // height), then width x height 0xAARRGGBB words, top row first. Images wider than
  // 8191 or taller than 65535 pixels do not fit the header and give null.
  TargetCompactHeader = 1,
  // A display::Image: 32-byte header, rows of 0xAARRGGBB words a pitch apart (the
  // row size rounded up to 32 bytes, padding zero), top row first.
  TargetImageBuffer = 2,
  // No header: width x height pixels as bytes red, green, blue, alpha, bottom row first.
  TargetRawRgba = 3,
};

// Decodes `size` bytes of PNG data into a new block of the given layout, or null.
void* DecodePng(const void* data, size_t size, PngTarget target);

// Reads the whole file and decodes it; null when it cannot be read or decoded.
void* LoadPng(const char* path, PngTarget target);

// The image loader's entry: LoadPng(path, TargetImageBuffer).
display::Image* LoadPng(const char* path);

}  // namespace imageio
