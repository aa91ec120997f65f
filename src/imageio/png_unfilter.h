// Undoing the PNG scanline filters: None, Sub, Up, Average and Paeth.
//
// UnfilterByte is the definition, one byte at a time in place; UnfilterRow is what
// the decoder runs, a whole scanline per call with loops specialised by filter and
// pixel size, and gives the same bytes.
#pragma once
#include <cstdint>
#include <cstdlib>

namespace imageio {

// Paeth: the neighbour closest to a + b - c, ties going to a, then b. Written
// with masks rather than branches: on photographs the choice is unpredictable.
inline uint8_t PaethPredictor(int a, int b, int c) {
  const int pa = std::abs(b - c);          // |p - a|
  const int pb = std::abs(a - c);          // |p - b|
  const int pc = std::abs(a + b - 2 * c);  // |p - c|
  const int takeC = -static_cast<int>(pb > pc);
  const int bOrC = b ^ ((b ^ c) & takeC);
  const int takeA = -static_cast<int>((pa <= pb) & (pa <= pc));
  return static_cast<uint8_t>(bOrC ^ ((bOrC ^ a) & takeA));
}

// Rewrites *v, byte k (after the filter byte) of row r of a pass whose scanlines
// lie one after another, L bytes each (filter byte included), with `bpp` bytes per
// pixel. The left, upper and upper-left neighbours must already be unfiltered.
// Returns 0, or 1 for a filter type above 4 (the byte is left as it is).
int UnfilterByte(uint8_t* v, uint8_t filter, uint32_t k, uint32_t r, uint32_t L, uint32_t bpp);

// Bytes past the end of a row that UnfilterRow may read (src, prev) and write
// (out): pixels of 3 and 6 bytes move as 4 and 8.
inline constexpr uint32_t UNFILTER_ROW_SLACK = 8;

// Unfilters the n bytes of one scanline at `src` (after its filter byte) against
// the unfiltered previous row `prev` (zeros for the first row of a pass). The
// result goes to `out`, except for filter None whose result is `src` itself.
// Returns the unfiltered row, or null for a filter type above 4. bpp is 1 to 8,
// and n a multiple of it when bpp > 1. Every buffer must have
// UNFILTER_ROW_SLACK bytes after its n.
const uint8_t* UnfilterRow(uint8_t filter, const uint8_t* src, const uint8_t* prev, uint8_t* out,
                           uint32_t n, uint32_t bpp);

// Two consecutive Paeth scanlines of a pass at once: srcA against prev into
// outA, then srcB against outA into outB, with the two rows' serial chains
// interleaved. Same bytes and buffer rules as two UnfilterRow calls.
void UnfilterPaethPair(const uint8_t* srcA, const uint8_t* srcB, const uint8_t* prev, uint8_t* outA,
                       uint8_t* outB, uint32_t n, uint32_t bpp);

// Four consecutive Paeth scanlines likewise: src[k] against out[k - 1] (prev for
// the first) into out[k].
void UnfilterPaethQuad(const uint8_t* const src[4], const uint8_t* prev, uint8_t* const out[4],
                       uint32_t n, uint32_t bpp);

// Eight consecutive Paeth scanlines likewise.
void UnfilterPaethOct(const uint8_t* const src[8], const uint8_t* prev, uint8_t* const out[8],
                      uint32_t n, uint32_t bpp);

}  // namespace imageio
