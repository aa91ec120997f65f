// ReadBmp: fills an existing image from a BMP file.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "display/screen.h"
#include "display/screen_hold.h"
#include "imageio/bmp.h"
#include "imageio/bmp_decode.h"

namespace imageio {
namespace {

using bmp::Encoding;
using bmp::Layout;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Raw memory dumps (first byte 0xFD or 0xFE) are not BMP files and are refused
// with the other non-BMP files by this first-byte test.
bool StartsLikeBmp(std::FILE* file) { return std::getc(file) == 'B'; }

// Reads what lies between the header and the pixel data: the masks of a
// bit-field file, then the palette (blue, green, red, reserved per entry),
// then the 0-3 bytes up to the pixel-data offset.
bool ReadTables(std::FILE* file, const Layout& layout, uint32_t (&masks)[3],
                uint8_t (&palette)[bmp::MAX_PALETTE_ENTRIES * bmp::PALETTE_ENTRY_SIZE]) {
  if (layout.encoding == Encoding::BitFields32) {
    uint8_t bytes[bmp::MASKS_SIZE];
    if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) return false;
    for (int i = 0; i < 3; ++i) masks[i] = bmp::ReadLe32(bytes + 4 * i);
  }
  const size_t paletteBytes = size_t{layout.paletteCount} * bmp::PALETTE_ENTRY_SIZE;
  if (std::fread(palette, 1, paletteBytes, file) != paletteBytes) return false;
  return std::fseek(file, layout.gapBeforeData, SEEK_CUR) == 0;
}

constexpr size_t MAX_RUN = 255;

// Bytes from the current position to the end of the file.
uint64_t BytesLeft(std::FILE* file) {
  const long here = std::ftell(file);
  if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return 0;
  const long end = std::ftell(file);
  std::fseek(file, here, SEEK_SET);
  return end > here ? static_cast<uint64_t>(end - here) : 0;
}

// What the first stored row reads: the packed bytes of a 1- or 4-bit row, else S.
uint64_t FirstReadSize(const Layout& layout) {
  return layout.bitCount < 8 ? layout.packedRowBytes : layout.rowBufferSize;
}

// The 1-byte conversion keeps the index bits that the display's depth can show.
uint32_t IndexMask() {
  const int32_t depth = display::GetScreenInfo().depth;
  return depth > 0 && depth < 8 ? (1u << depth) - 1 : 0xFFu;
}

}  // namespace

int ReadBmp(const char* name, display::Image* image) {
  if (name == nullptr || image == nullptr || image->type != display::IMAGE_TYPE) {
    return BMP_REFUSED;
  }
  File file(std::fopen(name, "rb"));
  if (!file) return BMP_CANNOT_OPEN;
  if (!StartsLikeBmp(file.get())) return BMP_MALFORMED;

  std::rewind(file.get());
  uint8_t headerBytes[bmp::HEADER_SIZE];
  if (std::fread(headerBytes, 1, sizeof headerBytes, file.get()) != sizeof headerBytes) {
    return BMP_MALFORMED;
  }
  Layout layout;
  if (const int status = DescribeLayout(bmp::ParseHeader(headerBytes), &layout); status != BMP_OK) {
    return status;
  }
  uint32_t masks[3] = {};
  uint8_t palette[bmp::MAX_PALETTE_ENTRIES * bmp::PALETTE_ENTRY_SIZE];
  if (!ReadTables(file.get(), layout, masks, palette)) return BMP_MALFORMED;

  const uint32_t bpp = image->bytesPerPixel;
  if (bpp != 1 && bpp != 2 && bpp != 4) return BMP_REFUSED;
  if (bpp == 1 && bmp::IsDirectColour(layout.encoding)) return BMP_REFUSED;
  const bmp::PixelTarget target{display::ImagePixels(image), image->pitch, bpp,
                                std::min(layout.width, image->width),
                                std::min(layout.height, image->height)};

  // One row buffer for the whole file; the spare byte lets the 24-bit
  // conversion load four bytes at a row's last pixel. A run-length stream needs
  // room for one run (at most 255 pixels) only. When not even the first stored
  // row is in the file, nothing is allocated: the read would fail anyway.
  const bool runLength =
      layout.encoding == Encoding::Rle8 || layout.encoding == Encoding::Rle4;
  std::unique_ptr<uint8_t[]> rowBuffer;
  if (runLength) {
    rowBuffer.reset(new (std::nothrow) uint8_t[MAX_RUN + 1]);
  } else if (BytesLeft(file.get()) >= FirstReadSize(layout)) {
    rowBuffer.reset(new (std::nothrow) uint8_t[layout.rowBufferSize + 1]);
  }

  int status = BMP_OK;
  display::WithScreenHeld([&] {
    // File colours replace the first display palette entries; indices beyond
    // them show what the display palette already held.
    for (uint32_t i = 0; i < layout.paletteCount; ++i) {
      const uint8_t* entry = palette + i * bmp::PALETTE_ENTRY_SIZE;
      display::SetPaletteEntry(static_cast<int>(i), uint32_t{entry[2]} | uint32_t{entry[1]} << 8 |
                                                        uint32_t{entry[0]} << 16);
    }
    uint32_t displayPalette[256];
    for (int i = 0; i < 256; ++i) displayPalette[i] = display::GetPaletteEntry(i);
    const bmp::IndexTable table = bmp::BuildIndexTable(displayPalette, bpp, IndexMask());
    const bmp::BitFieldDecoder fields(masks[0], masks[1], masks[2]);
    const bmp::Conversion conversion{&table, &fields};

    if (!rowBuffer) {
      status = BMP_MALFORMED;
    } else if (runLength) {
      status = bmp::DecodeRunLength(file.get(), layout, conversion, target, rowBuffer.get());
    } else {
      status = bmp::DecodeStoredRows(file.get(), layout, conversion, target, rowBuffer.get());
    }
  });
  return status;
}

}  // namespace imageio
