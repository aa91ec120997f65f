// Internal to the BMP reader: the pixel-data decoders, stored rows and
// run-length streams, reading from the file's current position.
#pragma once
#include <cstdio>

#include "imageio/bmp_layout.h"
#include "imageio/bmp_pixels.h"

namespace imageio::bmp {

// How file pixels become target pixels: palette files use the table, 32-bit
// bit-field files the decoder.
struct Conversion {
  const IndexTable* table = nullptr;
  const BitFieldDecoder* fields = nullptr;
};

// Both decoders convert file row i into target line height - 1 - i when that
// line lies inside the target, through rowBuffer: layout.rowBufferSize + 1
// bytes for stored rows, 256 bytes (one run) for run-length data. For stored
// rows the buffer holds the first row's bytes already (the packed bytes of a 1-
// or 4-bit row), read while it was allocated. They return BMP_OK, or
// BMP_MALFORMED when the data ends early or a run-length code breaks the
// image's bounds; lines done before then stay.
int DecodeStoredRows(std::FILE* file, const Layout& layout, const Conversion& conversion,
                     const PixelTarget& target, uint8_t* rowBuffer);
int DecodeRunLength(std::FILE* file, const Layout& layout, const Conversion& conversion,
                    const PixelTarget& target, uint8_t* rowBuffer);

// Skips up to `count` bytes (row padding, the gap before the pixel data) by
// reading them, since a pipe cannot seek; the file may end first.
inline void SkipBytes(std::FILE* file, uint64_t count) {
  for (; count > 0 && std::getc(file) != EOF; --count) {
  }
}

// Converts `count` file pixels (indices or stored bytes, starting at `pixels`)
// that belong at file column x into target line y, clipped to the target's
// width. Lines at or beyond the target's height are left alone.
void ConvertSpan(const uint8_t* pixels, uint32_t x, uint32_t count, uint32_t y,
                 const Layout& layout, const Conversion& conversion, const PixelTarget& target);

}  // namespace imageio::bmp
