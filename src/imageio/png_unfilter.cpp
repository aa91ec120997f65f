// Scanline filter reversal: the per-byte definition and the per-row loops,
// instantiated per pixel size: scalar for 1- and 2-byte pixels, SSE2 (one pixel
// per step) for 3 to 8 bytes, and Paeth also for two or four rows at once.
#include "imageio/png_unfilter.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PNG_AVX2_PAETH 1
#include <immintrin.h>
#endif

namespace imageio {

int UnfilterByte(uint8_t* v, uint8_t filter, uint32_t k, uint32_t r, uint32_t L, uint32_t bpp) {
  const int a = k >= bpp ? v[-static_cast<ptrdiff_t>(bpp)] : 0;
  const int b = r > 0 ? v[-static_cast<ptrdiff_t>(L)] : 0;
  const int c = k >= bpp && r > 0 ? v[-static_cast<ptrdiff_t>(L + bpp)] : 0;
  int predictor = 0;
  switch (filter) {
    case 0: break;
    case 1: predictor = a; break;
    case 2: predictor = b; break;
    case 3: predictor = (a + b) / 2; break;
    case 4: predictor = PaethPredictor(a, b, c); break;
    default: return 1;
  }
  *v = static_cast<uint8_t>(*v + predictor);
  return 0;
}

namespace {

// The scalar loops carry each channel's left (and upper-left) byte in a local, so
// the serial chain runs through registers rather than reloading what was just
// stored. n is a multiple of BPP.
template <uint32_t BPP>
void UnfilterSub(const uint8_t* src, uint8_t* out, uint32_t n) {
  uint8_t left[BPP] = {};
  for (uint32_t i = 0; i < n; i += BPP) {
    for (uint32_t j = 0; j < BPP; ++j) {
      out[i + j] = left[j] = static_cast<uint8_t>(src[i + j] + left[j]);
    }
  }
}

void UnfilterUp(const uint8_t* src, const uint8_t* prev, uint8_t* out, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(src[i] + prev[i]);
}

template <uint32_t BPP>
void UnfilterAverage(const uint8_t* src, const uint8_t* prev, uint8_t* out, uint32_t n) {
  uint32_t left[BPP] = {};
  for (uint32_t i = 0; i < n; i += BPP) {
    for (uint32_t j = 0; j < BPP; ++j) {
      left[j] = (src[i + j] + ((left[j] + prev[i + j]) >> 1)) & 0xFF;
      out[i + j] = static_cast<uint8_t>(left[j]);
    }
  }
}

template <uint32_t BPP>
void UnfilterPaeth(const uint8_t* src, const uint8_t* prev, uint8_t* out, uint32_t n) {
  int left[BPP] = {}, upperLeft[BPP] = {};
  for (uint32_t i = 0; i < n; i += BPP) {
    for (uint32_t j = 0; j < BPP; ++j) {
      const int up = prev[i + j];
      left[j] = (src[i + j] + PaethPredictor(left[j], up, upperLeft[j])) & 0xFF;
      upperLeft[j] = up;
      out[i + j] = static_cast<uint8_t>(left[j]);
    }
  }
}

template <uint32_t BPP>
void UnfilterPaethPairScalar(const uint8_t* srcA, const uint8_t* srcB, const uint8_t* prev,
                             uint8_t* outA, uint8_t* outB, uint32_t n) {
  int aA[BPP], cA[BPP], aB[BPP] = {}, cB[BPP] = {};
  for (uint32_t j = 0; j < BPP; ++j) {
    cA[j] = prev[j];
    outA[j] = static_cast<uint8_t>(aA[j] = (srcA[j] + cA[j]) & 0xFF);
  }
  for (uint32_t i = BPP; i < n; i += BPP) {
    for (uint32_t j = 0; j < BPP; ++j) {
      const int bA = prev[i + j], bB = aA[j];
      aA[j] = (srcA[i + j] + PaethPredictor(aA[j], bA, cA[j])) & 0xFF;
      aB[j] = (srcB[i - BPP + j] + PaethPredictor(aB[j], bB, cB[j])) & 0xFF;
      outA[i + j] = static_cast<uint8_t>(aA[j]);
      outB[i - BPP + j] = static_cast<uint8_t>(aB[j]);
      cA[j] = bA;
      cB[j] = bB;
    }
  }
  for (uint32_t j = 0; j < BPP; ++j) {
    const uint32_t k = n - BPP + j;
    outB[k] = static_cast<uint8_t>(srcB[k] + PaethPredictor(aB[j], aA[j], cB[j]));
  }
}

#ifdef __SSE2__
// Pixels of 3 to 8 bytes run one pixel per step in SSE2 registers (16-bit lanes
// for Paeth), as 4- or 8-byte loads and stores: the spare lanes carry junk that
// never reaches a real byte, and the row slack absorbs the over-read and -write.

template <uint32_t BPP>
__m128i LoadPixel(const uint8_t* p) {
  if constexpr (BPP <= 4) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(v);
  } else {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  }
}

template <uint32_t BPP>
void StorePixel(uint8_t* p, __m128i v) {
  if constexpr (BPP <= 4) {
    const int32_t bytes = _mm_cvtsi128_si32(v);
    std::memcpy(p, &bytes, 4);
  } else {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
  }
}

template <uint32_t BPP>
void UnfilterSubSimd(const uint8_t* src, uint8_t* out, uint32_t n) {
  __m128i a = _mm_setzero_si128();
  for (uint32_t i = 0; i < n; i += BPP) {
    a = _mm_add_epi8(LoadPixel<BPP>(src + i), a);
    StorePixel<BPP>(out + i, a);
  }
}

// floor((a + b) / 2) = ~avg_epu8(~a, ~b), as avg_epu8 rounds up. Carrying the
// left pixel complemented (na) leaves two operations on the serial chain:
// ~a' = ~(x + ~avg(na, ~b)) = avg(na, ~b) - x.
template <uint32_t BPP>
void UnfilterAverageSimd(const uint8_t* src, const uint8_t* prev, uint8_t* out, uint32_t n) {
  const __m128i ones = _mm_set1_epi8(-1);
  __m128i na = ones;
  for (uint32_t i = 0; i < n; i += BPP) {
    const __m128i nb = _mm_xor_si128(LoadPixel<BPP>(prev + i), ones);
    na = _mm_sub_epi8(_mm_avg_epu8(na, nb), LoadPixel<BPP>(src + i));
    StorePixel<BPP>(out + i, _mm_xor_si128(na, ones));
  }
}

__m128i Abs16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }

// x + Paeth(a, b, c) on 16-bit lanes, one pixel. Ties go to a, then b. Only a
// comes from the previous step, so everything without it is formed first and
// the chain through a stays short: pb = |a - c|, pc = |a + (b - 2c)|.
inline __m128i PaethPixel(__m128i a, __m128i b, __m128i c, __m128i x) {
  const __m128i pa = Abs16(_mm_sub_epi16(b, c));
  const __m128i bMinus2c = _mm_sub_epi16(_mm_sub_epi16(b, c), c);
  const __m128i bXorC = _mm_xor_si128(b, c);
  const __m128i pb = Abs16(_mm_sub_epi16(a, c));
  const __m128i pc = Abs16(_mm_add_epi16(a, bMinus2c));
  const __m128i notA = _mm_cmpgt_epi16(pa, _mm_min_epi16(pb, pc));  // a loses
  const __m128i bOrC = _mm_xor_si128(b, _mm_and_si128(bXorC, _mm_cmpgt_epi16(pb, pc)));
  const __m128i nearest = _mm_or_si128(_mm_and_si128(notA, bOrC), _mm_andnot_si128(notA, a));
  return _mm_and_si128(_mm_add_epi16(nearest, x), _mm_set1_epi16(0xFF));
}

template <uint32_t BPP>
__m128i LoadWide(const uint8_t* p) {
  return _mm_unpacklo_epi8(LoadPixel<BPP>(p), _mm_setzero_si128());
}

template <uint32_t BPP>
void StoreWide(uint8_t* p, __m128i v) {
  StorePixel<BPP>(p, _mm_packus_epi16(v, v));
}

template <uint32_t BPP>
void UnfilterPaethSimd(const uint8_t* src, const uint8_t* prev, uint8_t* out, uint32_t n) {
  __m128i a = _mm_setzero_si128(), c = a;
  for (uint32_t i = 0; i < n; i += BPP) {
    const __m128i b = LoadWide<BPP>(prev + i);
    a = PaethPixel(a, b, c, LoadWide<BPP>(src + i));
    StoreWide<BPP>(out + i, a);
    c = b;
  }
}

// Row B runs one pixel behind row A, taking A's fresh pixels as its up and
// upper-left neighbours straight from registers: two independent chains.
template <uint32_t BPP>
void UnfilterPaethPairSimd(const uint8_t* srcA, const uint8_t* srcB, const uint8_t* prev,
                           uint8_t* outA, uint8_t* outB, uint32_t n) {
  const __m128i zero = _mm_setzero_si128();
  __m128i cA = LoadWide<BPP>(prev);
  __m128i aA = PaethPixel(zero, cA, zero, LoadWide<BPP>(srcA));
  StoreWide<BPP>(outA, aA);
  __m128i aB = zero, cB = zero;
  for (uint32_t i = BPP; i < n; i += BPP) {
    const __m128i bA = LoadWide<BPP>(prev + i);
    const __m128i bB = aA;
    aA = PaethPixel(aA, bA, cA, LoadWide<BPP>(srcA + i));
    aB = PaethPixel(aB, bB, cB, LoadWide<BPP>(srcB + i - BPP));
    StoreWide<BPP>(outA + i, aA);
    StoreWide<BPP>(outB + i - BPP, aB);
    cA = bA;
    cB = bB;
  }
  aB = PaethPixel(aB, aA, cB, LoadWide<BPP>(srcB + n - BPP));
  StoreWide<BPP>(outB + n - BPP, aB);
}
#endif

template <uint32_t BPP>
const uint8_t* UnfilterRowFor(uint8_t filter, const uint8_t* src, const uint8_t* prev, uint8_t* out,
                              uint32_t n) {
#ifdef __SSE2__
  if constexpr (BPP >= 3) {
    switch (filter) {
      case 0: return src;
      case 1: UnfilterSubSimd<BPP>(src, out, n); return out;
      case 2: UnfilterUp(src, prev, out, n); return out;
      case 3: UnfilterAverageSimd<BPP>(src, prev, out, n); return out;
      case 4: UnfilterPaethSimd<BPP>(src, prev, out, n); return out;
      default: return nullptr;
    }
  }
#endif
  switch (filter) {
    case 0: return src;
    case 1: UnfilterSub<BPP>(src, out, n); return out;
    case 2: UnfilterUp(src, prev, out, n); return out;
    case 3: UnfilterAverage<BPP>(src, prev, out, n); return out;
    case 4: UnfilterPaeth<BPP>(src, prev, out, n); return out;
    default: return nullptr;
  }
}

// The K-row Paeth walk of UnfilterPaethQuadSimd below, on plain integers, for
// whatever steps the vector loops leave: row k works on pixel p - k at step p.
template <uint32_t BPP, int32_t K>
struct PaethRowsScalar {
  const uint8_t* const* src;
  const uint8_t* prev;
  uint8_t* const* out;
  int32_t pixels;
  int a[K][BPP] = {}, c[K][BPP] = {};

  void Step(int32_t k, int32_t q) {
    const size_t at = static_cast<size_t>(q) * BPP;
    for (uint32_t j = 0; j < BPP; ++j) {
      const int b = k == 0 ? prev[at + j] : a[k - 1][j];
      a[k][j] = (src[k][at + j] + PaethPredictor(a[k][j], b, c[k][j])) & 0xFF;
      out[k][at + j] = static_cast<uint8_t>(a[k][j]);
      c[k][j] = b;
    }
  }
  // The left (a) or upper-left (c) pixels as 16-bit lanes for the vector walks,
  // `stride` lanes a row (spare lanes zero), and back.
  static void ToLanes(const int (&v)[K][BPP], int16_t* lanes, uint32_t stride) {
    for (int32_t k = 0; k < K; ++k) {
      for (uint32_t j = 0; j < stride; ++j) {
        lanes[k * stride + j] = static_cast<int16_t>(j < BPP ? v[k][j] : 0);
      }
    }
  }
  static void FromLanes(const int16_t* lanes, int (&v)[K][BPP], uint32_t stride) {
    for (int32_t k = 0; k < K; ++k) {
      for (uint32_t j = 0; j < BPP; ++j) v[k][j] = lanes[k * stride + j];
    }
  }

  // All runs every step. A vector walk covers the steps K - 1 .. pixels - 1,
  // where every row is inside its row: Begin runs the steps before them (or
  // all of them when there are none, returning false), Finish those after.
  void All() { Steps(0, pixels + K - 1); }
  bool Begin() {
    if (pixels < K) {
      All();
      return false;
    }
    Steps(0, K - 1);
    return true;
  }
  void Finish() { Steps(pixels, pixels + K - 1); }

  // Every row's pixel p - k that lies inside its row, last row first, for the
  // steps [first, last).
  void Steps(int32_t first, int32_t last) {
    for (int32_t p = first; p < last; ++p) {
      for (int32_t k = K - 1; k >= 0; --k) {
        if (p - k >= 0 && p - k < pixels) Step(k, p - k);
      }
    }
  }
};

template <uint32_t BPP>
void UnfilterPaethQuadScalar(const uint8_t* const src[4], const uint8_t* prev,
                             uint8_t* const out[4], uint32_t n) {
  PaethRowsScalar<BPP, 4> rows{src, prev, out, static_cast<int32_t>(n / BPP)};
  rows.All();
}

#ifdef __SSE2__
// Eight consecutive Paeth rows of one-byte pixels, one row per 16-bit lane: at
// step p, lane k holds row k's pixel p - k, so the pixel above it (b) is lane
// k - 1 of the previous step's result shifted up a lane, with the row above the
// eight feeding lane 0. One Paeth evaluation then serves eight pixels. The steps
// where some rows are outside their row run on integers.
void UnfilterPaethOctGray(const uint8_t* const src[8], const uint8_t* prev, uint8_t* const out[8],
                          uint32_t n) {
  PaethRowsScalar<1, 8> rows{src, prev, out, static_cast<int32_t>(n)};
  const int32_t pixels = rows.pixels;
  if (!rows.Begin()) return;
  alignas(16) int16_t lanes[8];
  rows.ToLanes(rows.a, lanes, 1);
  __m128i a = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes));
  rows.ToLanes(rows.c, lanes, 1);
  __m128i c = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes));
  for (int32_t p = 7; p < pixels; ++p) {
    __m128i x = _mm_cvtsi32_si128(src[0][p]);
    x = _mm_insert_epi16(x, src[1][p - 1], 1);
    x = _mm_insert_epi16(x, src[2][p - 2], 2);
    x = _mm_insert_epi16(x, src[3][p - 3], 3);
    x = _mm_insert_epi16(x, src[4][p - 4], 4);
    x = _mm_insert_epi16(x, src[5][p - 5], 5);
    x = _mm_insert_epi16(x, src[6][p - 6], 6);
    x = _mm_insert_epi16(x, src[7][p - 7], 7);
    const __m128i b = _mm_or_si128(_mm_slli_si128(a, 2), _mm_cvtsi32_si128(prev[p]));
    a = PaethPixel(a, b, c, x);
    c = b;
    out[0][p] = static_cast<uint8_t>(_mm_extract_epi16(a, 0));
    out[1][p - 1] = static_cast<uint8_t>(_mm_extract_epi16(a, 1));
    out[2][p - 2] = static_cast<uint8_t>(_mm_extract_epi16(a, 2));
    out[3][p - 3] = static_cast<uint8_t>(_mm_extract_epi16(a, 3));
    out[4][p - 4] = static_cast<uint8_t>(_mm_extract_epi16(a, 4));
    out[5][p - 5] = static_cast<uint8_t>(_mm_extract_epi16(a, 5));
    out[6][p - 6] = static_cast<uint8_t>(_mm_extract_epi16(a, 6));
    out[7][p - 7] = static_cast<uint8_t>(_mm_extract_epi16(a, 7));
  }
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), a);
  rows.FromLanes(lanes, rows.a, 1);
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), c);
  rows.FromLanes(lanes, rows.c, 1);
  rows.Finish();
}
#endif

#if PNG_AVX2_PAETH
// Four bytes of a row as one word, and back: a 3-byte pixel and the next byte.
inline int32_t LoadWord(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void StoreWord(uint8_t* p, int32_t v) { std::memcpy(p, &v, 4); }

// x + Paeth(a, b, c) on 16-bit lanes, as PaethPixel.
__attribute__((target("avx2"))) inline __m256i PaethLanes(__m256i a, __m256i b, __m256i c,
                                                         __m256i x) {
  const __m256i pa = _mm256_abs_epi16(_mm256_sub_epi16(b, c));
  const __m256i bMinus2c = _mm256_sub_epi16(_mm256_sub_epi16(b, c), c);
  const __m256i pb = _mm256_abs_epi16(_mm256_sub_epi16(a, c));
  const __m256i pc = _mm256_abs_epi16(_mm256_add_epi16(a, bMinus2c));
  const __m256i notA = _mm256_cmpgt_epi16(pa, _mm256_min_epi16(pb, pc));  // a loses
  const __m256i bOrC = _mm256_blendv_epi8(b, c, _mm256_cmpgt_epi16(pb, pc));
  const __m256i nearest = _mm256_blendv_epi8(a, bOrC, notA);
  return _mm256_and_si256(_mm256_add_epi16(nearest, x), _mm256_set1_epi16(0xFF));
}

// Four consecutive Paeth rows of 3- or 4-byte pixels, one row per quarter of a
// 256-bit register (four 16-bit lanes a pixel), the rows staggered as in
// UnfilterPaethOctGray: the pixel above is the previous result moved up a
// quarter, with the row above the four entering the lowest.
template <uint32_t BPP>
__attribute__((target("avx2"))) void UnfilterPaethQuadAvx2(const uint8_t* const src[4],
                                                           const uint8_t* prev,
                                                           uint8_t* const out[4], uint32_t n) {
  PaethRowsScalar<BPP, 4> rows{src, prev, out, static_cast<int32_t>(n / BPP)};
  const int32_t pixels = rows.pixels;
  if (!rows.Begin()) return;
  alignas(32) int16_t lanes[16];
  rows.ToLanes(rows.a, lanes, 4);
  __m256i a = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes));
  rows.ToLanes(rows.c, lanes, 4);
  __m256i c = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes));
  for (int32_t p = 3; p < pixels; ++p) {
    const size_t at = static_cast<size_t>(p) * BPP;
    const __m128i bytes =
        _mm_setr_epi32(LoadWord(src[0] + at), LoadWord(src[1] + at - BPP),
                       LoadWord(src[2] + at - 2 * BPP), LoadWord(src[3] + at - 3 * BPP));
    const __m256i x = _mm256_cvtepu8_epi16(bytes);
    const __m256i above = _mm256_cvtepu8_epi16(_mm_cvtsi32_si128(LoadWord(prev + at)));
    const __m256i b =
        _mm256_blend_epi32(_mm256_permute4x64_epi64(a, _MM_SHUFFLE(2, 1, 0, 0)), above, 0x03);
    a = PaethLanes(a, b, c, x);
    c = b;
    const __m256i packed = _mm256_packus_epi16(a, a);
    const __m128i low = _mm256_castsi256_si128(packed), high = _mm256_extracti128_si256(packed, 1);
    StoreWord(out[0] + at, _mm_cvtsi128_si32(low));
    StoreWord(out[1] + at - BPP, _mm_cvtsi128_si32(_mm_srli_si128(low, 4)));
    StoreWord(out[2] + at - 2 * BPP, _mm_cvtsi128_si32(high));
    StoreWord(out[3] + at - 3 * BPP, _mm_cvtsi128_si32(_mm_srli_si128(high, 4)));
  }
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), a);
  rows.FromLanes(lanes, rows.a, 4);
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), c);
  rows.FromLanes(lanes, rows.c, 4);
  rows.Finish();
}

// GCC 12's AVX-512 intrinsics start from deliberately undefined registers,
// which its uninitialised-use warning takes for faults.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// x + Paeth(a, b, c) on 32 16-bit lanes, as PaethPixel.
__attribute__((target("avx512f,avx512bw"))) inline __m512i PaethLanes512(__m512i a, __m512i b,
                                                                        __m512i c, __m512i x) {
  const __m512i pa = _mm512_abs_epi16(_mm512_sub_epi16(b, c));
  const __m512i bMinus2c = _mm512_sub_epi16(_mm512_sub_epi16(b, c), c);
  const __m512i pb = _mm512_abs_epi16(_mm512_sub_epi16(a, c));
  const __m512i pc = _mm512_abs_epi16(_mm512_add_epi16(a, bMinus2c));
  const __mmask32 notA = _mm512_cmpgt_epi16_mask(pa, _mm512_min_epi16(pb, pc));  // a loses
  const __m512i bOrC = _mm512_mask_blend_epi16(_mm512_cmpgt_epi16_mask(pb, pc), b, c);
  const __m512i nearest = _mm512_mask_blend_epi16(notA, a, bOrC);
  return _mm512_and_si512(_mm512_add_epi16(nearest, x), _mm512_set1_epi16(0xFF));
}

// Eight consecutive Paeth rows of 3- or 4-byte pixels, one row per 64-bit
// eighth of a 512-bit register, staggered as in UnfilterPaethQuadAvx2.
template <uint32_t BPP>
__attribute__((target("avx512f,avx512bw"))) void UnfilterPaethOctAvx512(
    const uint8_t* const src[8], const uint8_t* prev, uint8_t* const out[8], uint32_t n) {
  PaethRowsScalar<BPP, 8> rows{src, prev, out, static_cast<int32_t>(n / BPP)};
  const int32_t pixels = rows.pixels;
  if (!rows.Begin()) return;
  alignas(64) int16_t lanes[32];
  rows.ToLanes(rows.a, lanes, 4);
  __m512i a = _mm512_load_si512(lanes);
  rows.ToLanes(rows.c, lanes, 4);
  __m512i c = _mm512_load_si512(lanes);
  const __m512i up = _mm512_setr_epi64(0, 0, 1, 2, 3, 4, 5, 6);
  for (int32_t p = 7; p < pixels; ++p) {
    const size_t at = static_cast<size_t>(p) * BPP;
    const __m256i bytes =
        _mm256_setr_epi32(LoadWord(src[0] + at), LoadWord(src[1] + at - BPP),
                          LoadWord(src[2] + at - 2 * BPP), LoadWord(src[3] + at - 3 * BPP),
                          LoadWord(src[4] + at - 4 * BPP), LoadWord(src[5] + at - 5 * BPP),
                          LoadWord(src[6] + at - 6 * BPP), LoadWord(src[7] + at - 7 * BPP));
    const __m512i x = _mm512_cvtepu8_epi16(bytes);
    const __m512i above =
        _mm512_cvtepu8_epi16(_mm256_zextsi128_si256(_mm_cvtsi32_si128(LoadWord(prev + at))));
    const __m512i b = _mm512_mask_blend_epi64(0x01, _mm512_permutexvar_epi64(up, a), above);
    a = PaethLanes512(a, b, c, x);
    c = b;
    const __m256i packed = _mm512_cvtepi16_epi8(a);
    const __m128i low = _mm256_castsi256_si128(packed), high = _mm256_extracti128_si256(packed, 1);
    StoreWord(out[0] + at, _mm_cvtsi128_si32(low));
    StoreWord(out[1] + at - BPP, _mm_extract_epi32(low, 1));
    StoreWord(out[2] + at - 2 * BPP, _mm_extract_epi32(low, 2));
    StoreWord(out[3] + at - 3 * BPP, _mm_extract_epi32(low, 3));
    StoreWord(out[4] + at - 4 * BPP, _mm_cvtsi128_si32(high));
    StoreWord(out[5] + at - 5 * BPP, _mm_extract_epi32(high, 1));
    StoreWord(out[6] + at - 6 * BPP, _mm_extract_epi32(high, 2));
    StoreWord(out[7] + at - 7 * BPP, _mm_extract_epi32(high, 3));
  }
  _mm512_store_si512(lanes, a);
  rows.FromLanes(lanes, rows.a, 4);
  _mm512_store_si512(lanes, c);
  rows.FromLanes(lanes, rows.c, 4);
  rows.Finish();
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

#ifdef __SSE2__
// Four consecutive Paeth rows: row k runs k pixels behind row k - 1, so that the
// pixel above each step (b) is already in a register, and the four serial chains
// interleave. Within a step the rows go last to first, so row k reads row k - 1's
// pixel before that row moves on.
template <uint32_t BPP>
void UnfilterPaethQuadSimd(const uint8_t* const src[4], const uint8_t* prev, uint8_t* const out[4],
                           uint32_t n) {
  constexpr int32_t K = 4;
  const auto pixels = static_cast<int32_t>(n / BPP);
  __m128i a[K], c[K];
  for (int32_t k = 0; k < K; ++k) a[k] = c[k] = _mm_setzero_si128();
  auto step = [&](int32_t k, int32_t q) {
    const size_t at = static_cast<size_t>(q) * BPP;
    const __m128i b = k == 0 ? LoadWide<BPP>(prev + at) : a[k - 1];
    a[k] = PaethPixel(a[k], b, c[k], LoadWide<BPP>(src[k] + at));
    StoreWide<BPP>(out[k] + at, a[k]);
    c[k] = b;
  };
  // Steps p = 0 .. pixels + K - 2; row k is inside its row for 0 <= p - k < pixels.
  const int32_t lastStep = pixels + K - 2;
  int32_t p = 0;
  for (; p < std::min(K - 1, pixels); ++p) {
    for (int32_t k = std::min(p, K - 1); k >= 0; --k) step(k, p - k);
  }
  for (; p < pixels; ++p) {
    step(3, p - 3);
    step(2, p - 2);
    step(1, p - 1);
    step(0, p);
  }
  for (; p <= lastStep; ++p) {
    for (int32_t k = K - 1; k >= 0; --k) {
      if (p - k >= 0 && p - k < pixels) step(k, p - k);
    }
  }
}

#endif


template <uint32_t BPP>
void UnfilterPaethPairFor(const uint8_t* srcA, const uint8_t* srcB, const uint8_t* prev,
                          uint8_t* outA, uint8_t* outB, uint32_t n) {
#ifdef __SSE2__
  if constexpr (BPP >= 3) {
    UnfilterPaethPairSimd<BPP>(srcA, srcB, prev, outA, outB, n);
    return;
  }
#endif
  UnfilterPaethPairScalar<BPP>(srcA, srcB, prev, outA, outB, n);
}

}  // namespace

void UnfilterPaethPair(const uint8_t* srcA, const uint8_t* srcB, const uint8_t* prev, uint8_t* outA,
                       uint8_t* outB, uint32_t n, uint32_t bpp) {
  switch (bpp) {
    case 1: return UnfilterPaethPairFor<1>(srcA, srcB, prev, outA, outB, n);
    case 2: return UnfilterPaethPairFor<2>(srcA, srcB, prev, outA, outB, n);
    case 3: return UnfilterPaethPairFor<3>(srcA, srcB, prev, outA, outB, n);
    case 4: return UnfilterPaethPairFor<4>(srcA, srcB, prev, outA, outB, n);
    case 6: return UnfilterPaethPairFor<6>(srcA, srcB, prev, outA, outB, n);
    default: return UnfilterPaethPairFor<8>(srcA, srcB, prev, outA, outB, n);
  }
}

const uint8_t* UnfilterRow(uint8_t filter, const uint8_t* src, const uint8_t* prev, uint8_t* out,
                           uint32_t n, uint32_t bpp) {
  switch (bpp) {
    case 1: return UnfilterRowFor<1>(filter, src, prev, out, n);
    case 2: return UnfilterRowFor<2>(filter, src, prev, out, n);
    case 3: return UnfilterRowFor<3>(filter, src, prev, out, n);
    case 4: return UnfilterRowFor<4>(filter, src, prev, out, n);
    case 6: return UnfilterRowFor<6>(filter, src, prev, out, n);
    default: return UnfilterRowFor<8>(filter, src, prev, out, n);
  }
}

void UnfilterPaethOct(const uint8_t* const src[8], const uint8_t* prev, uint8_t* const out[8],
                      uint32_t n, uint32_t bpp) {
  if (bpp == 1) {
#ifdef __SSE2__
    UnfilterPaethOctGray(src, prev, out, n);
#else
    PaethRowsScalar<1, 8> rows{src, prev, out, static_cast<int32_t>(n)};
    rows.All();
#endif
    return;
  }
#if PNG_AVX2_PAETH
  static const bool avx512 =
      __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
  if (avx512 && bpp == 3) return UnfilterPaethOctAvx512<3>(src, prev, out, n);
  if (avx512 && bpp == 4) return UnfilterPaethOctAvx512<4>(src, prev, out, n);
#endif
  UnfilterPaethQuad(src, prev, out, n, bpp);
  UnfilterPaethQuad(src + 4, out[3], out + 4, n, bpp);
}

void UnfilterPaethQuad(const uint8_t* const src[4], const uint8_t* prev, uint8_t* const out[4],
                       uint32_t n, uint32_t bpp) {
  switch (bpp) {
    case 1: return UnfilterPaethQuadScalar<1>(src, prev, out, n);
    case 2: return UnfilterPaethQuadScalar<2>(src, prev, out, n);
#ifndef __SSE2__
    case 3: return UnfilterPaethQuadScalar<3>(src, prev, out, n);
    case 4: return UnfilterPaethQuadScalar<4>(src, prev, out, n);
    case 6: return UnfilterPaethQuadScalar<6>(src, prev, out, n);
    default: return UnfilterPaethQuadScalar<8>(src, prev, out, n);
  }
#else
#if PNG_AVX2_PAETH
    case 3:
      if (__builtin_cpu_supports("avx2")) return UnfilterPaethQuadAvx2<3>(src, prev, out, n);
      return UnfilterPaethQuadSimd<3>(src, prev, out, n);
    case 4:
      if (__builtin_cpu_supports("avx2")) return UnfilterPaethQuadAvx2<4>(src, prev, out, n);
      return UnfilterPaethQuadSimd<4>(src, prev, out, n);
#else
    case 3: return UnfilterPaethQuadSimd<3>(src, prev, out, n);
    case 4: return UnfilterPaethQuadSimd<4>(src, prev, out, n);
#endif
    case 6: return UnfilterPaethQuadSimd<6>(src, prev, out, n);
    default: return UnfilterPaethQuadSimd<8>(src, prev, out, n);
  }
#endif
}

}  // namespace imageio
