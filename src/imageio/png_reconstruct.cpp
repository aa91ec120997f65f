// PNG pixel reconstruction: walks the passes and rows of the inflated scanlines,
// undoes each row's filter and converts its pixels into the output layout.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "imageio/png_decoder.h"
#include "imageio/png_emit.h"
#include "imageio/png_inflate_stream.h"
#include "imageio/png_target.h"
#include "imageio/png_unfilter.h"

namespace imageio {

namespace {

// Pixels in each row of a pass (the width without interlacing).
uint32_t PassColumns(const PngDecoder& d, uint32_t pass) {
  if (d.interlaceMethod != 1) return d.width;
  const Adam7Pass& p = ADAM7[pass - 1];
  return d.width <= p.xs ? 0 : (d.width + p.dx - p.xs - 1) / p.dx;
}

// The most consecutive Paeth rows unfiltered together.
constexpr uint32_t MAX_GROUP = 8;
// Rows longer than this are unfiltered at most two at a time, which keeps the
// work rows of very wide images small.
constexpr size_t GROUP_ROW_BYTES = size_t{1} << 20;

// Where one pass's rows are unfiltered: a work row for each row of the largest
// group and one more (the previous row), and a row of zeros (the "previous
// row" of each pass's first row).
struct RowBuffers {
  uint8_t* work[MAX_GROUP + 1];
  uint32_t group;  // the largest group: 2 or MAX_GROUP
  const uint8_t* zero;

  // `count` work rows that are not `busy` (the previous row).
  void Free(const uint8_t* busy, uint8_t** out, uint32_t count) const {
    for (uint32_t i = 0; i <= group && count > 0; ++i) {
      if (work[i] != busy) out[--count] = work[i];
    }
  }
};

// The inflated scanlines, one after another in one buffer.
struct BufferedRows {
  static constexpr bool STABLE = true;  // handed-out rows stay where they are
  const uint8_t* at;
  const uint8_t* Peek(size_t) const { return at; }
  void Consume(size_t bytes) { at += bytes; }
};

// The scanlines as PngInflateStream inflates them: a row handed out earlier may
// have moved by the time the next one is asked for.
struct StreamedRows {
  static constexpr bool STABLE = false;
  PngInflateStream& stream;
  const uint8_t* Peek(size_t bytes) { return stream.Peek(bytes); }
  void Consume(size_t bytes) { stream.Consume(bytes); }
};

// Unfilters `count` (2, 4 or 8) consecutive Paeth rows with their serial chains
// interleaved.
void UnfilterPaethRows(const uint8_t* const lines[], const uint8_t* prev, uint8_t* const out[],
                       uint32_t count, uint32_t n, uint32_t bpp) {
  switch (count) {
    case 8: return UnfilterPaethOct(lines, prev, out, n, bpp);
    case 4: return UnfilterPaethQuad(lines, prev, out, n, bpp);
    default: return UnfilterPaethPair(lines[0], lines[1], prev, out[0], out[1], n, bpp);
  }
}

// Undoes the filters of every row of every pass and emits the pixels. Paeth rows,
// the slowest filter, are unfiltered in groups of eight, four or two. Returns
// false for a filter type above 4 or image data that ends early.
template <typename Rows>
bool ReconstructRows(const PngDecoder& d, const PixelWriter& writer, const PixelConverter& cv,
                     const RowBuffers& buffers, Rows rows) {
  const uint32_t passes = d.interlaceMethod == 1 ? 7 : 1;
  for (uint32_t pass = 1; pass <= passes; ++pass) {
    const uint32_t lineBytes = static_cast<uint32_t>(ScanlineBytes(&d, pass));
    const uint32_t rowCount = PassRows(&d, pass);
    if (lineBytes == 0 || rowCount == 0) continue;
    const Adam7Pass geometry = d.interlaceMethod == 1 ? ADAM7[pass - 1] : Adam7Pass{0, 0, 1, 1};
    const uint32_t columns = PassColumns(d, pass);
    const uint32_t n = lineBytes - 1;
    auto emit = [&](const uint8_t* row, uint32_t y) {
      uint32_t* pixels = writer.Row(y) + geometry.xs;
      if (geometry.dx == 1) {
        cv.emitRow(cv, row, columns, pixels, 1);
      } else {
        cv.emitStridedRow(cv, row, columns, pixels, geometry.dx);
      }
    };
    const uint8_t* prev = buffers.zero;
    uint32_t y = geometry.ys;
    for (uint32_t r = 0; r < rowCount;) {
      const uint32_t ahead = std::min(rowCount - r, buffers.group);
      const uint8_t* src = rows.Peek(ahead * size_t{lineBytes});
      if (src == nullptr) return false;
      uint8_t* out[MAX_GROUP];
      buffers.Free(prev, out, buffers.group);
      uint32_t paeth = 0;  // consecutive Paeth rows from here
      while (paeth < ahead && src[paeth * size_t{lineBytes}] == 4) ++paeth;
      if (paeth >= 2) {
        const uint32_t count = paeth == 8 ? 8 : paeth >= 4 ? 4 : 2;
        const uint8_t* lines[MAX_GROUP];
        for (uint32_t k = 0; k < count; ++k) lines[k] = src + k * size_t{lineBytes} + 1;
        UnfilterPaethRows(lines, prev, out, count, n, d.bytesPerPixel);
        for (uint32_t k = 0; k < count; ++k) emit(out[k], y + k * geometry.dy);
        prev = out[count - 1];
        r += count, y += count * geometry.dy;
        rows.Consume(count * size_t{lineBytes});
        continue;
      }
      const uint8_t* row = UnfilterRow(src[0], src + 1, prev, out[0], n, d.bytesPerPixel);
      if (row == nullptr) return false;
      if constexpr (!Rows::STABLE) {
        // An unfiltered (None) row is the scanline itself, which may move.
        if (row != out[0]) row = static_cast<const uint8_t*>(std::memcpy(out[0], row, n));
      }
      emit(row, y);
      prev = row;
      r += 1, y += geometry.dy;
      rows.Consume(lineBytes);
    }
  }
  return true;
}

// The widest scanline of the image (the full-width one).
size_t WidestScanline(const PngDecoder& d) {
  size_t widest = 0;
  for (uint32_t pass = 1; pass <= 7; ++pass)
    widest = std::max<size_t>(widest, ScanlineBytes(&d, pass));
  return widest;
}

// Allocates the target and the work rows and reconstructs the image from
// `rows`; `finish` then judges the image data as a whole.
template <typename Rows, typename Finish>
void* Reconstruct(const PngDecoder& d, PngTarget target, Rows rows, Finish finish) {
  PixelWriter writer;
  void* output = AllocateTarget(target, d.width, d.height, &writer);
  if (output == nullptr) return nullptr;
  PixelConverter converter;
  PreparePixelConverter(d, writer.rgbaOrder, &converter);
  const size_t rowBytes = WidestScanline(d) + UNFILTER_ROW_SLACK;
  // Cleared, as the row loops read a few bytes past each row's end.
  const uint32_t group = rowBytes <= GROUP_ROW_BYTES ? MAX_GROUP : 2;
  uint8_t* work = static_cast<uint8_t*>(std::calloc(group + 2, rowBytes));
  bool done = false;
  if (work != nullptr) {
    RowBuffers buffers{};
    buffers.group = group;
    for (uint32_t i = 0; i <= group; ++i) buffers.work[i] = work + i * rowBytes;
    buffers.zero = work + (group + 1) * rowBytes;
    done = ReconstructRows(d, writer, converter, buffers, rows) && finish();
  }
  std::free(work);
  if (!done) {
    std::free(output);
    return nullptr;
  }
  return output;
}

}  // namespace

void* ReconstructPng(const PngDecoder* decoder, PngTarget target) {
  if (!decoder->ready) return nullptr;
  // Inflation leaves more than the row slack after the last scanline.
  return Reconstruct(*decoder, target, BufferedRows{decoder->imageData}, [] { return true; });
}

void* DecodePngStreaming(const PngDecoder* decoder, PngTarget target) {
  PngInflateStream stream(*decoder, ExpectedRawSize(decoder), MAX_GROUP * WidestScanline(*decoder),
                          UNFILTER_ROW_SLACK);
  return Reconstruct(*decoder, target, StreamedRows{stream}, [&stream] { return stream.Finish(); });
}

}  // namespace imageio
