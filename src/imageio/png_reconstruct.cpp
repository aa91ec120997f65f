// PNG pixel reconstruction: walks the passes and rows of the inflated scanlines,
// undoes each row's filter and converts its pixels into the output layout.
#include <algorithm>
#include <cstdlib>

#include "imageio/png_decoder.h"
#include "imageio/png_emit.h"
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

// Where one pass's rows are unfiltered: three work rows and a row of zeros (the
// "previous row" of each pass's first row).
struct RowBuffers {
  uint8_t* work[3];
  const uint8_t* zero;

  // The first `count` work rows that are not `busy` (the previous row).
  void Free(const uint8_t* busy, uint8_t** out, int count) const {
    for (uint8_t* row : work) {
      if (row != busy && count > 0) out[--count] = row;
    }
  }
};

// Undoes the filters of every row of every pass and emits the pixels. Pairs of
// Paeth rows, the slowest filter, are unfiltered together. Returns false for a
// filter type above 4.
bool ReconstructRows(const PngDecoder& d, const PixelWriter& writer, const PixelConverter& cv,
                     const RowBuffers& buffers) {
  const uint32_t passes = d.interlaceMethod == 1 ? 7 : 1;
  const uint8_t* src = d.imageData;
  for (uint32_t pass = 1; pass <= passes; ++pass) {
    const uint32_t lineBytes = static_cast<uint32_t>(ScanlineBytes(&d, pass));
    const uint32_t rows = PassRows(&d, pass);
    if (lineBytes == 0 || rows == 0) continue;
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
    for (uint32_t r = 0; r < rows;) {
      uint8_t* out[2];
      buffers.Free(prev, out, 2);
      if (r + 1 < rows && src[0] == 4 && src[lineBytes] == 4) {
        UnfilterPaethPair(src + 1, src + lineBytes + 1, prev, out[0], out[1], n, d.bytesPerPixel);
        emit(out[0], y);
        emit(out[1], y + geometry.dy);
        prev = out[1];
        r += 2, y += 2 * geometry.dy, src += 2 * size_t{lineBytes};
        continue;
      }
      const uint8_t* row = UnfilterRow(src[0], src + 1, prev, out[0], n, d.bytesPerPixel);
      if (row == nullptr) return false;
      emit(row, y);
      prev = row;
      r += 1, y += geometry.dy, src += lineBytes;
    }
  }
  return true;
}

}  // namespace

void* ReconstructPng(const PngDecoder* decoder, PngTarget target) {
  if (!decoder->ready) return nullptr;
  PixelWriter writer;
  void* output = AllocateTarget(target, decoder->width, decoder->height, &writer);
  if (output == nullptr) return nullptr;
  PixelConverter converter;
  PreparePixelConverter(*decoder, writer.rgbaOrder, &converter);
  // Room for the widest scanline (the full-width one), plus the row slack:
  // inflation already leaves more than that after the last scanline.
  size_t rowBytes = 0;
  for (uint32_t pass = 1; pass <= 7; ++pass) {
    rowBytes = std::max<size_t>(rowBytes, ScanlineBytes(decoder, pass));
  }
  rowBytes += UNFILTER_ROW_SLACK;
  uint8_t* rows = static_cast<uint8_t*>(std::calloc(4, rowBytes));
  bool done = false;
  if (rows != nullptr) {
    const RowBuffers buffers{{rows, rows + rowBytes, rows + 2 * rowBytes}, rows + 3 * rowBytes};
    done = ReconstructRows(*decoder, writer, converter, buffers);
  }
  std::free(rows);
  if (!done) {
    std::free(output);
    return nullptr;
  }
  return output;
}

}  // namespace imageio
