// The keyed copy behind PutTransparent.
//
// The vector versions compare a block of source pixels with the key, choose per
// lane between the source and the destination, and store the whole block. A
// row's end shorter than a block goes in a 16-byte and an 8-byte step and then
// pixel by pixel; a last block that overlapped the one before would read bytes
// still on their way to memory, which costs a stall on every row. AVX-512
// compares into a lane mask and stores only the kept lanes, with no read of the
// destination, the row's end included. The choice is made at run time, as for
// the page fill, not with target_clones, whose resolver runs before the
// ThreadSanitizer runtime is up.
#include "display/keyed_rows.h"

#include <cstddef>
#include <cstring>

#include "display/blit.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define DISPLAY_X86_KERNELS 1
#include <immintrin.h>
#endif

namespace display::detail {
namespace {

constexpr uint32_t RGB = 0x00FFFFFFu;

// One pixel by the definition. memcpy keeps unaligned rows well defined.
template <int BytesPerPixel>
inline void PlainPixel(const uint8_t* s, uint8_t* d) {
  if constexpr (BytesPerPixel == 4) {
    uint32_t p;
    std::memcpy(&p, s, 4);
    p &= RGB;
    if (p != (KEY_COLOUR_32 & RGB)) std::memcpy(d, &p, 4);
  } else if constexpr (BytesPerPixel == 2) {
    uint16_t p;
    std::memcpy(&p, s, 2);
    if (p != KEY_COLOUR_16) std::memcpy(d, &p, 2);
  } else {
    if (*s != KEY_COLOUR_8) *d = *s;
  }
}

template <int BytesPerPixel>
inline void PlainRow(const uint8_t* s, uint8_t* d, size_t bytes) {
  for (size_t i = 0; i < bytes; i += BytesPerPixel) PlainPixel<BytesPerPixel>(s + i, d + i);
}

template <int BytesPerPixel>
void PlainRows(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height, int32_t srcPitch,
               int32_t dstPitch) {
  const size_t bytes = static_cast<size_t>(width) * BytesPerPixel;
  for (int32_t y = 0; y < height; ++y) {
    PlainRow<BytesPerPixel>(src + static_cast<ptrdiff_t>(y) * srcPitch,
                            dst + static_cast<ptrdiff_t>(y) * dstPitch, bytes);
  }
}

#if DISPLAY_X86_KERNELS

// --- SSE2: 16 bytes at a time ---------------------------------------------------

template <int BytesPerPixel>
inline __m128i Key128() {
  if constexpr (BytesPerPixel == 4) return _mm_set1_epi32(static_cast<int>(KEY_COLOUR_32 & RGB));
  if constexpr (BytesPerPixel == 2) return _mm_set1_epi16(static_cast<short>(KEY_COLOUR_16));
  return _mm_set1_epi8(static_cast<char>(KEY_COLOUR_8));
}

// Chooses per lane between the source's pixels p and the destination's d.
template <int BytesPerPixel>
inline __m128i Sse2Choose(__m128i p, __m128i d, __m128i key) {
  __m128i skip;
  if constexpr (BytesPerPixel == 4) {
    p = _mm_and_si128(p, _mm_set1_epi32(static_cast<int>(RGB)));
    skip = _mm_cmpeq_epi32(p, key);
  } else if constexpr (BytesPerPixel == 2) {
    skip = _mm_cmpeq_epi16(p, key);
  } else {
    skip = _mm_cmpeq_epi8(p, key);
  }
  return _mm_or_si128(_mm_andnot_si128(skip, p), _mm_and_si128(skip, d));
}

template <int BytesPerPixel>
inline void Sse2Block(const uint8_t* s, uint8_t* d, __m128i key) {
  const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), Sse2Choose<BytesPerPixel>(p, old, key));
}

// The last bytes < 32 of a row from s, d on.
template <int BytesPerPixel>
inline void Sse2End(const uint8_t* s, uint8_t* d, size_t bytes, __m128i key) {
  if (bytes >= 16) {
    Sse2Block<BytesPerPixel>(s, d, key);
    s += 16, d += 16, bytes -= 16;
  }
  if (bytes >= 8) {
    const __m128i p = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
    const __m128i old = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(d));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d), Sse2Choose<BytesPerPixel>(p, old, key));
    s += 8, d += 8, bytes -= 8;
  }
  PlainRow<BytesPerPixel>(s, d, bytes);
}

template <int BytesPerPixel>
inline void Sse2Row(const uint8_t* s, uint8_t* d, size_t bytes, __m128i key) {
  size_t i = 0;
  for (; i + 32 <= bytes; i += 32) {
    Sse2Block<BytesPerPixel>(s + i, d + i, key);
    Sse2Block<BytesPerPixel>(s + i + 16, d + i + 16, key);
  }
  Sse2End<BytesPerPixel>(s + i, d + i, bytes - i, key);
}

template <int BytesPerPixel>
void Sse2Rows(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height, int32_t srcPitch,
              int32_t dstPitch) {
  const size_t bytes = static_cast<size_t>(width) * BytesPerPixel;
  const __m128i key = Key128<BytesPerPixel>();
  for (int32_t y = 0; y < height; ++y) {
    Sse2Row<BytesPerPixel>(src + static_cast<ptrdiff_t>(y) * srcPitch,
                           dst + static_cast<ptrdiff_t>(y) * dstPitch, bytes, key);
  }
}

// --- AVX2: 32 bytes at a time -------------------------------------------------

template <int BytesPerPixel>
__attribute__((target("avx2"))) inline __m256i Key256() {
  if constexpr (BytesPerPixel == 4) {
    return _mm256_set1_epi32(static_cast<int>(KEY_COLOUR_32 & RGB));
  }
  if constexpr (BytesPerPixel == 2) return _mm256_set1_epi16(static_cast<short>(KEY_COLOUR_16));
  return _mm256_set1_epi8(static_cast<char>(KEY_COLOUR_8));
}

template <int BytesPerPixel>
__attribute__((target("avx2"))) inline void Avx2Block(const uint8_t* s, uint8_t* d, __m256i key) {
  __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
  __m256i skip;
  if constexpr (BytesPerPixel == 4) {
    p = _mm256_and_si256(p, _mm256_set1_epi32(static_cast<int>(RGB)));
    skip = _mm256_cmpeq_epi32(p, key);
  } else if constexpr (BytesPerPixel == 2) {
    skip = _mm256_cmpeq_epi16(p, key);
  } else {
    skip = _mm256_cmpeq_epi8(p, key);
  }
  const __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_blendv_epi8(p, old, skip));
}

template <int BytesPerPixel>
__attribute__((target("avx2"))) void Avx2Rows(const uint8_t* src, uint8_t* dst, int32_t width,
                                              int32_t height, int32_t srcPitch, int32_t dstPitch) {
  const size_t bytes = static_cast<size_t>(width) * BytesPerPixel;
  const __m256i key = Key256<BytesPerPixel>();
  const __m128i key128 = Key128<BytesPerPixel>();
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* s = src + static_cast<ptrdiff_t>(y) * srcPitch;
    uint8_t* d = dst + static_cast<ptrdiff_t>(y) * dstPitch;
    size_t i = 0;
    for (; i + 64 <= bytes; i += 64) {
      Avx2Block<BytesPerPixel>(s + i, d + i, key);
      Avx2Block<BytesPerPixel>(s + i + 32, d + i + 32, key);
    }
    if (i + 32 <= bytes) {
      Avx2Block<BytesPerPixel>(s + i, d + i, key);
      i += 32;
    }
    Sse2End<BytesPerPixel>(s + i, d + i, bytes - i, key128);
  }
}

// --- AVX-512: 64 bytes at a time, kept lanes stored through a mask -----------

// GCC 12's AVX-512 intrinsics start from deliberately undefined registers,
// which its uninitialised-use warning takes for faults.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

// lanes: the lanes of the block inside the row.
template <int BytesPerPixel>
__attribute__((target("avx512f,avx512bw"))) inline void Avx512Block(const uint8_t* s, uint8_t* d,
                                                                    uint64_t lanes) {
  if constexpr (BytesPerPixel == 4) {
    const auto mask = static_cast<__mmask16>(lanes);
    const __m512i p = _mm512_and_si512(_mm512_maskz_loadu_epi32(mask, s),
                                       _mm512_set1_epi32(static_cast<int>(RGB)));
    const __mmask16 keep = _mm512_mask_cmpneq_epi32_mask(
        mask, p, _mm512_set1_epi32(static_cast<int>(KEY_COLOUR_32 & RGB)));
    _mm512_mask_storeu_epi32(d, keep, p);
  } else if constexpr (BytesPerPixel == 2) {
    const auto mask = static_cast<__mmask32>(lanes);
    const __m512i p = _mm512_maskz_loadu_epi16(mask, s);
    const __mmask32 keep = _mm512_mask_cmpneq_epi16_mask(
        mask, p, _mm512_set1_epi16(static_cast<short>(KEY_COLOUR_16)));
    _mm512_mask_storeu_epi16(d, keep, p);
  } else {
    const auto mask = static_cast<__mmask64>(lanes);
    const __m512i p = _mm512_maskz_loadu_epi8(mask, s);
    const __mmask64 keep = _mm512_mask_cmpneq_epi8_mask(
        mask, p, _mm512_set1_epi8(static_cast<char>(KEY_COLOUR_8)));
    _mm512_mask_storeu_epi8(d, keep, p);
  }
}

template <int BytesPerPixel>
__attribute__((target("avx512f,avx512bw"))) void Avx512Rows(const uint8_t* src, uint8_t* dst,
                                                            int32_t width, int32_t height,
                                                            int32_t srcPitch, int32_t dstPitch) {
  constexpr uint32_t LANES = 64 / BytesPerPixel;
  constexpr uint64_t ALL = LANES == 64 ? ~uint64_t{0} : (uint64_t{1} << LANES) - 1;
  if (width <= 0) return;
  const auto columns = static_cast<uint32_t>(width);
  const uint64_t last = columns % LANES == 0 ? ALL : (uint64_t{1} << (columns % LANES)) - 1;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* s = src + static_cast<ptrdiff_t>(y) * srcPitch;
    uint8_t* d = dst + static_cast<ptrdiff_t>(y) * dstPitch;
    uint32_t x = 0;
    for (; x + LANES < columns; x += LANES) {
      Avx512Block<BytesPerPixel>(s + x * BytesPerPixel, d + x * BytesPerPixel, ALL);
    }
    Avx512Block<BytesPerPixel>(s + x * BytesPerPixel, d + x * BytesPerPixel, last);
  }
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#endif  // DISPLAY_X86_KERNELS

template <int BytesPerPixel>
KeyedRows RowsOf(KeyedKernel kernel) {
  switch (kernel) {
    case KeyedKernel::Plain: return PlainRows<BytesPerPixel>;
#if DISPLAY_X86_KERNELS
    case KeyedKernel::Sse2: return Sse2Rows<BytesPerPixel>;
    case KeyedKernel::Avx2:
      return __builtin_cpu_supports("avx2") ? Avx2Rows<BytesPerPixel> : nullptr;
    case KeyedKernel::Avx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")
                 ? Avx512Rows<BytesPerPixel>
                 : nullptr;
#endif
    default: return nullptr;
  }
}

// The fastest version for each pixel size, looked up once.
struct Fastest {
  KeyedRows bytes4 = nullptr, bytes2 = nullptr, bytes1 = nullptr;
  Fastest() {
    for (KeyedKernel k : {KeyedKernel::Plain, KeyedKernel::Sse2, KeyedKernel::Avx2,
                          KeyedKernel::Avx512}) {
      if (KeyedRows rows = RowsOf<4>(k)) {
        bytes4 = rows;
        bytes2 = RowsOf<2>(k);
        bytes1 = RowsOf<1>(k);
      }
    }
  }
};

}  // namespace

KeyedRows KeyedRowsOf(KeyedKernel kernel, uint32_t bytesPerPixel) {
  switch (bytesPerPixel) {
    case 4: return RowsOf<4>(kernel);
    case 2: return RowsOf<2>(kernel);
    case 1: return RowsOf<1>(kernel);
    default: return nullptr;
  }
}

void CopyKeyed(uint32_t bytesPerPixel, const uint8_t* src, uint8_t* dst, int32_t width,
               int32_t height, int32_t srcPitch, int32_t dstPitch) {
  if (width <= 0 || height <= 0) return;
  static const Fastest fastest;
  // The byte spans the two areas cover, first to one past the last.
  const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
  const auto srcStart = reinterpret_cast<uintptr_t>(src);
  const auto dstStart = reinterpret_cast<uintptr_t>(dst);
  const uintptr_t srcEnd = srcStart + static_cast<size_t>(height - 1) * srcPitch + rowBytes;
  const uintptr_t dstEnd = dstStart + static_cast<size_t>(height - 1) * dstPitch + rowBytes;
  const bool shared = srcStart < dstEnd && dstStart < srcEnd;
  KeyedRows rows = nullptr;
  switch (bytesPerPixel) {
    case 4: rows = shared ? PlainRows<4> : fastest.bytes4; break;
    case 2: rows = shared ? PlainRows<2> : fastest.bytes2; break;
    case 1: rows = shared ? PlainRows<1> : fastest.bytes1; break;
    default: return;
  }
  rows(src, dst, width, height, srcPitch, dstPitch);
}

}  // namespace display::detail
