// Internal to the display library: the keyed copy behind PutTransparent, in a
// plain per-pixel version and vector versions chosen by what the processor runs.
//
// Every version gives the same pixels: a source pixel equal to the key colour of
// its size (4-byte pixels compared on their low 24 bits) leaves the destination
// pixel as it is; any other is stored, 4-byte pixels with alpha 0.
#pragma once
#include <cstdint>

namespace display::detail {

// Copies a width x height area, skipping key-coloured pixels.
using KeyedRows = void (*)(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height,
                           int32_t srcPitch, int32_t dstPitch);

// The versions, slowest first. Plain takes one pixel at a time in row order.
enum class KeyedKernel { Plain, Sse2, Avx2, Avx512 };

// The rows of that version for 4-, 2- or 1-byte pixels; null where this
// processor (or build) cannot run the version, or for another pixel size.
KeyedRows KeyedRowsOf(KeyedKernel kernel, uint32_t bytesPerPixel);

// What PutTransparent runs: the fastest version this processor has, or Plain
// when the two areas share bytes (an image put into itself), where the result
// depends on taking the pixels in row order.
void CopyKeyed(uint32_t bytesPerPixel, const uint8_t* src, uint8_t* dst, int32_t width,
               int32_t height, int32_t srcPitch, int32_t dstPitch);

}  // namespace display::detail
