// Converting unfiltered PNG scanlines to 32-bit pixels, one row per call.
//
// Every sample format becomes 0xAARRGGBB: 16-bit samples give their high byte,
// gray below 8 bits is scaled to 0..255 (x255, x85, x17), palette indices beyond
// the palette read black, and "tRNS" keys (compared on all 16 bits) give alpha 0.
// With rgbaOrder the word holds the bytes red, green, blue, alpha instead.
#pragma once
#include <cstdint>

#include "imageio/png_decoder.h"

namespace imageio {

struct PixelConverter;

// Writes `count` pixels of an unfiltered row to out[0], out[step], out[2 * step]...
// The row may be read up to 4 bytes past its end (see UNFILTER_ROW_SLACK).
using RowEmitter = void (*)(const PixelConverter& converter, const uint8_t* row, uint32_t count,
                            uint32_t* out, uint32_t step);

struct PixelConverter {
  RowEmitter emitRow;         // for column step 1
  RowEmitter emitStridedRow;  // for any column step
  uint32_t lookup[256];       // palette and gray up to 8 bits: sample -> output word
  bool keyed;                 // gray 16 and RGB: a "tRNS" key colour applies
  uint16_t key[3];            // gray, or red, green, blue
};

// Picks the row loop for the decoder's format and fills its tables.
void PreparePixelConverter(const PngDecoder& decoder, bool rgbaOrder, PixelConverter* converter);

}  // namespace imageio
