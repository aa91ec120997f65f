// ReadBmp: fills an existing image from a BMP file, read front to back once
// (pipes cannot seek).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "display/screen.h"
#include "display/screen_hold.h"
#include "imageio/bmp.h"
#include "imageio/bmp_decode.h"
#include "imageio/bmp_file.h"

namespace imageio {
namespace bmp {
namespace {

struct FreeDeleter {
  void operator()(uint8_t* block) const { std::free(block); }
};
using RowBuffer = std::unique_ptr<uint8_t[], FreeDeleter>;

// Reads what lies between the header and the pixel data: the masks of a
// bit-field file, then the palette (blue, green, red, reserved per entry),
// then the 0-3 bytes up to the pixel-data offset (the file may end among them;
// the pixel data's read then fails).
bool ReadTables(std::FILE* file, const Layout& layout, uint32_t (&masks)[3],
                uint8_t (&palette)[MAX_PALETTE_ENTRIES * PALETTE_ENTRY_SIZE]) {
  if (layout.encoding == Encoding::BitFields32) {
    uint8_t bytes[MASKS_SIZE];
    if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) return false;
    for (int i = 0; i < 3; ++i) masks[i] = ReadLe32(bytes + 4 * i);
  }
  const size_t paletteBytes = size_t{layout.paletteCount} * PALETTE_ENTRY_SIZE;
  if (std::fread(palette, 1, paletteBytes, file) != paletteBytes) return false;
  SkipBytes(file, layout.gapBeforeData);
  return true;
}

constexpr size_t MAX_RUN = 255;
constexpr size_t FIRST_ROW_CHUNK = size_t{64} * 1024;

// Reads the first stored row (the packed bytes of a 1- or 4-bit row, else S)
// into a buffer that ends up S + 1 bytes long; the spare byte lets the 24-bit
// conversion load four bytes at a row's last pixel. The buffer grows with the
// bytes that arrive, so a header that claims huge rows costs no more memory than
// the file holds. Null when the file ends first or memory runs out.
RowBuffer ReadFirstRow(std::FILE* file, const Layout& layout) {
  const uint64_t rowBytes = layout.bitCount < 8 ? layout.packedRowBytes : layout.rowBufferSize;
  RowBuffer buffer;
  uint64_t have = 0;
  for (;;) {
    const uint64_t size = have == rowBytes
                              ? layout.rowBufferSize + 1
                              : std::min(rowBytes, std::max<uint64_t>(FIRST_ROW_CHUNK, 2 * have));
    auto* grown = static_cast<uint8_t*>(std::realloc(buffer.get(), size));
    if (grown == nullptr) return nullptr;
    buffer.release();  // realloc has freed or kept the old block
    buffer.reset(grown);
    if (have == rowBytes) return buffer;
    have += std::fread(grown + have, 1, size - have, file);
    if (have < size) return nullptr;
  }
}

// The 1-byte conversion keeps the index bits that the display's depth can show.
uint32_t IndexMask() {
  const int32_t depth = display::GetScreenInfo().depth;
  return depth > 0 && depth < 8 ? (1u << depth) - 1 : 0xFFu;
}

}  // namespace

HeaderBytes ReadHeaderBytes(std::FILE* file) {
  HeaderBytes header;
  header.got = std::fread(header.bytes, 1, sizeof header.bytes, file);
  return header;
}

int ReadAfterHeader(std::FILE* file, const HeaderBytes& header, display::Image* image) {
  // Raw memory dumps (first byte 0xFD or 0xFE) are not BMP files: the signature
  // check refuses them with the other non-BMP files.
  if (header.got != sizeof header.bytes) return BMP_MALFORMED;
  Layout layout;
  if (const int status = DescribeLayout(ParseHeader(header.bytes), &layout); status != BMP_OK) {
    return status;
  }
  uint32_t masks[3] = {};
  uint8_t palette[MAX_PALETTE_ENTRIES * PALETTE_ENTRY_SIZE];
  if (!ReadTables(file, layout, masks, palette)) return BMP_MALFORMED;

  const uint32_t bpp = image->bytesPerPixel;
  if (bpp != 1 && bpp != 2 && bpp != 4) return BMP_REFUSED;
  if (bpp == 1 && IsDirectColour(layout.encoding)) return BMP_REFUSED;
  const PixelTarget target{display::ImagePixels(image), image->pitch, bpp,
                           std::min(layout.width, image->width),
                           std::min(layout.height, image->height)};

  // One row buffer for the whole file; a run-length stream needs room for one
  // run (at most 255 pixels) only. Stored rows start in it before the screen is
  // held, so a slow pipe does not keep the screen waiting for the first row.
  const bool runLength = layout.encoding == Encoding::Rle8 || layout.encoding == Encoding::Rle4;
  const RowBuffer rowBuffer = runLength
                                  ? RowBuffer(static_cast<uint8_t*>(std::malloc(MAX_RUN + 1)))
                                  : ReadFirstRow(file, layout);

  int status = BMP_OK;
  display::WithScreenHeld([&] {
    // File colours replace the first display palette entries; indices beyond
    // them show what the display palette already held.
    for (uint32_t i = 0; i < layout.paletteCount; ++i) {
      const uint8_t* entry = palette + i * PALETTE_ENTRY_SIZE;
      display::SetPaletteEntry(static_cast<int>(i), uint32_t{entry[2]} | uint32_t{entry[1]} << 8 |
                                                        uint32_t{entry[0]} << 16);
    }
    uint32_t displayPalette[256];
    for (int i = 0; i < 256; ++i) displayPalette[i] = display::GetPaletteEntry(i);
    const IndexTable table = BuildIndexTable(displayPalette, bpp, IndexMask());
    const BitFieldDecoder fields(masks[0], masks[1], masks[2]);
    const Conversion conversion{&table, &fields};

    if (!rowBuffer) {
      status = BMP_MALFORMED;
    } else if (runLength) {
      status = DecodeRunLength(file, layout, conversion, target, rowBuffer.get());
    } else {
      status = DecodeStoredRows(file, layout, conversion, target, rowBuffer.get());
    }
  });
  return status;
}

}  // namespace bmp

int ReadBmp(const char* name, display::Image* image) {
  if (name == nullptr || image == nullptr || image->type != display::IMAGE_TYPE) {
    return BMP_REFUSED;
  }
  bmp::File file(std::fopen(name, "rb"));
  if (!file) return BMP_CANNOT_OPEN;
  return bmp::ReadAfterHeader(file.get(), bmp::ReadHeaderBytes(file.get()), image);
}

}  // namespace imageio
