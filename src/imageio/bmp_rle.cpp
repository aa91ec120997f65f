// Run-length BMP data (RLE8 on 8-bit, RLE4 on 4-bit files). Every run is checked
// against the row width and the row count before it is written; pixels the
// stream skips (delta codes, short lines) keep the image's fill colour.
#include "imageio/bmp.h"
#include "imageio/bmp_decode.h"

namespace imageio::bmp {
namespace {

constexpr int ESCAPE = 0;
constexpr int END_OF_LINE = 0;
constexpr int END_OF_BITMAP = 1;
constexpr int DELTA = 2;

class RunLengthStream {
 public:
  RunLengthStream(std::FILE* file, const Layout& layout, const Conversion& conversion,
                  const PixelTarget& target, uint8_t* rowBuffer)
      : file_(file), layout_(layout), conversion_(conversion), target_(target),
        buffer_(rowBuffer), rle4_(layout.encoding == Encoding::Rle4) {}

  int Decode() {
    for (;;) {
      int count, value;
      if (!ReadPair(&count, &value)) return BMP_MALFORMED;
      bool ok = true;
      if (count != ESCAPE) {
        ok = EncodedRun(static_cast<uint32_t>(count), static_cast<uint8_t>(value));
      } else if (value == END_OF_LINE) {
        ok = EndOfLine();
      } else if (value == END_OF_BITMAP) {
        return BMP_OK;
      } else if (value == DELTA) {
        ok = Delta();
      } else {
        ok = AbsoluteRun(static_cast<uint32_t>(value));
      }
      if (!ok) return BMP_MALFORMED;
    }
  }

 private:
  bool ReadPair(int* first, int* second) {
    *first = std::getc(file_);
    *second = std::getc(file_);
    return *first != EOF && *second != EOF;
  }

  // A run of `count` pixels fits in the current row.
  bool Fits(uint32_t count) const {
    return row_ < layout_.height && x_ <= layout_.width && count <= layout_.width - x_;
  }

  // `count` pixels of one index (RLE8) or of two alternating indices (RLE4).
  bool EncodedRun(uint32_t count, uint8_t value) {
    if (!Fits(count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
      buffer_[i] = rle4_ ? static_cast<uint8_t>(i % 2 == 0 ? value >> 4 : value & 0x0F) : value;
    }
    Emit(count);
    return true;
  }

  // `count` indices stored as they are, padded to a 16-bit boundary.
  bool AbsoluteRun(uint32_t count) {
    if (!Fits(count)) return false;
    const uint32_t bytes = rle4_ ? (count + 1) / 2 : count;
    if (std::fread(buffer_, 1, bytes, file_) != bytes) return false;
    if (bytes % 2 != 0 && std::getc(file_) == EOF) return false;
    if (rle4_) UnpackIndices(buffer_, count, 4);
    Emit(count);
    return true;
  }

  // The position may reach the row above the last one (the usual final end of
  // line before the end of bitmap), but never beyond it.
  bool EndOfLine() {
    if (row_ >= layout_.height) return false;
    ++row_;
    x_ = 0;
    return true;
  }

  // Moves right and up (rows are stored bottom up) without writing.
  bool Delta() {
    int dx, dy;
    if (!ReadPair(&dx, &dy)) return false;
    x_ += static_cast<uint32_t>(dx);
    row_ += static_cast<uint32_t>(dy);
    return x_ <= layout_.width && row_ <= layout_.height;
  }

  void Emit(uint32_t count) {
    ConvertSpan(buffer_, x_, count, layout_.height - 1 - row_, layout_, conversion_, target_);
    x_ += count;
  }

  std::FILE* file_;
  const Layout& layout_;
  const Conversion& conversion_;
  const PixelTarget& target_;
  uint8_t* buffer_;
  bool rle4_;
  uint32_t x_ = 0;
  uint32_t row_ = 0;  // file row, 0 = the bottom line
};

}  // namespace

int DecodeRunLength(std::FILE* file, const Layout& layout, const Conversion& conversion,
                    const PixelTarget& target, uint8_t* rowBuffer) {
  return RunLengthStream(file, layout, conversion, target, rowBuffer).Decode();
}

}  // namespace imageio::bmp
