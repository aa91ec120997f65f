// Walk kernels of the double-precision sprite walk.
//
// x*ax is exact in double (a 24-bit single times an integer below 2^29), so each
// coordinate is one rounded addition and one conversion; SSE2's conversions round
// in the current mode, nearest-even, as the mapping asks. Each position is
// computed from x directly, with no running sum, so that positions are
// independent. The AVX-512 kernel handles sixteen positions at once and fetches
// them with one masked gather. The AVX2 kernel handles eight and fetches them
// with plain loads, or with a masked gather that leaves the key colour in the
// lanes outside the source.
#include "transform/sprite_kernels.h"

#include <cstring>
#include <limits>

#include "display/blit.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TRANSFORM_X86_KERNELS 1
#include <immintrin.h>
#else
#include <cmath>
#endif

namespace transform::detail {
namespace {

constexpr uint32_t KEY = display::KEY_COLOUR_32;

#if TRANSFORM_X86_KERNELS

void BaselineRow(uint32_t* out, const display::Image* source, const SpriteMapping& m,
                 uint32_t first, uint32_t columns, float rowX, float rowY) {
  // Both coordinates of a position in one register, x low and y high.
  const __m128d step = _mm_set_pd(m.ay, m.ax);
  const __m128d start = _mm_set_pd(rowY, rowX);
  const uint8_t* pixels = display::ImagePixels(source);
  const size_t pitch = source->pitch;
  const uint32_t width = source->width, height = source->height;
  for (uint32_t x = first; x < columns; ++x) {
    const __m128d column = _mm_mul_pd(_mm_set1_pd(static_cast<double>(x)), step);
    // Out-of-range sums convert to INT32_MIN, which fails the bound test.
    const __m128i rounded = _mm_cvtpd_epi32(_mm_add_pd(column, start));
    const auto both = static_cast<uint64_t>(_mm_cvtsi128_si64(rounded));
    const auto sx = static_cast<uint32_t>(both), sy = static_cast<uint32_t>(both >> 32);
    const bool inside = sx < width && sy < height;
    // Read a harmless pixel when outside, so that the choice needs no branch.
    const size_t offset = inside ? sy * pitch + sx * size_t{4} : 0;
    uint32_t pixel;
    std::memcpy(&pixel, pixels + offset, sizeof pixel);
    out[x] = inside ? pixel : KEY;
  }
}

// Eight rounded coordinates x*step + start, x in two halves of four doubles.
// x*step is exact in double, so the fused multiply-add rounds only the sum.
__attribute__((target("avx2,fma"))) inline __m256i RoundedEight(__m256d xLow, __m256d xHigh,
                                                            __m256d step, __m256d start) {
  const __m128i low = _mm256_cvtpd_epi32(_mm256_fmadd_pd(xLow, step, start));
  const __m128i high = _mm256_cvtpd_epi32(_mm256_fmadd_pd(xHigh, step, start));
  return _mm256_set_m128i(high, low);
}

__attribute__((target("avx2,fma"))) void Avx2Walk(display::Image* destination,
                                              const display::Image* source, const WalkPlan& plan) {
  const SpriteMapping& m = plan.mapping;
  const uint32_t columns = plan.area.columns;
  const __m256d stepX = _mm256_set1_pd(m.ax), stepY = _mm256_set1_pd(m.ay);
  // Unsigned a < b as a signed comparison of both with the top bit flipped
  // (AVX2 compares only signed): out-of-range INT32_MIN lanes fail it too.
  const __m256i flip = _mm256_set1_epi32(static_cast<int32_t>(0x80000000u));
  const __m256i width = _mm256_set1_epi32(static_cast<int32_t>(source->width ^ 0x80000000u));
  const __m256i height = _mm256_set1_epi32(static_cast<int32_t>(source->height ^ 0x80000000u));
  const __m256i pitch = _mm256_set1_epi32(static_cast<int32_t>(source->pitch));
  const __m256i key = _mm256_set1_epi32(static_cast<int32_t>(KEY));
  const __m256d eight = _mm256_set1_pd(8.0);
  const uint8_t* bytes = display::ImagePixels(source);
  const auto* pixels = reinterpret_cast<const int*>(bytes);
  for (uint32_t y = 0; y < plan.area.rows; ++y) {
    RowStart start;
    uint32_t* out = DoubleRow(destination, source, plan, y, start);
    if (out == nullptr) continue;
    const __m256d startX = _mm256_set1_pd(start.x), startY = _mm256_set1_pd(start.y);
    __m256d xLow = _mm256_setr_pd(0, 1, 2, 3), xHigh = _mm256_setr_pd(4, 5, 6, 7);
    uint32_t done = 0;
    for (; done + 8 <= columns; done += 8) {
      const __m256i sx = RoundedEight(xLow, xHigh, stepX, startX);
      const __m256i sy = RoundedEight(xLow, xHigh, stepY, startY);
      const __m256i inside =
          _mm256_and_si256(_mm256_cmpgt_epi32(width, _mm256_xor_si256(sx, flip)),
                           _mm256_cmpgt_epi32(height, _mm256_xor_si256(sy, flip)));
      // Byte offsets; SelectWalkKernel has made sure that they fit 31 bits.
      const __m256i offset =
          _mm256_add_epi32(_mm256_mullo_epi32(sy, pitch), _mm256_slli_epi32(sx, 2));
      // Gathers are slow on some processors: eight plain loads serve a block
      // wholly inside the source, and a block wholly outside is all key colour.
      const int insideLanes = _mm256_movemask_ps(_mm256_castsi256_ps(inside));
      if (insideLanes == 0xFF) {
        alignas(32) int32_t offsets[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(offsets), offset);
        for (int i = 0; i < 8; ++i) std::memcpy(out + done + i, bytes + offsets[i], 4);
      } else {
        const __m256i gathered =
            insideLanes == 0 ? key : _mm256_mask_i32gather_epi32(key, pixels, offset, inside, 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + done), gathered);
      }
      xLow = _mm256_add_pd(xLow, eight);
      xHigh = _mm256_add_pd(xHigh, eight);
    }
    if (done < columns) BaselineRow(out, source, m, done, columns, start.x, start.y);
  }
}

// GCC 12's AVX-512 intrinsics start from deliberately undefined registers,
// which its uninitialised-use warning takes for faults.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

// Sixteen rounded coordinates x*step + start, x in two halves of eight doubles.
__attribute__((target("avx512f"))) inline __m512i RoundedSixteen(__m512d xLow, __m512d xHigh,
                                                                __m512d step, __m512d start) {
  const __m256i low = _mm512_cvtpd_epi32(_mm512_fmadd_pd(xLow, step, start));
  const __m256i high = _mm512_cvtpd_epi32(_mm512_fmadd_pd(xHigh, step, start));
  return _mm512_inserti64x4(_mm512_zextsi256_si512(low), high, 1);
}

// Sixteen positions at once, fetched with one masked gather that leaves the key
// colour in the lanes outside the source; the last block of a row is masked.
__attribute__((target("avx512f"))) void Avx512Walk(display::Image* destination,
                                                   const display::Image* source,
                                                   const WalkPlan& plan) {
  const SpriteMapping& m = plan.mapping;
  const uint32_t columns = plan.area.columns;
  const __m512d stepX = _mm512_set1_pd(m.ax), stepY = _mm512_set1_pd(m.ay);
  const __m512i width = _mm512_set1_epi32(static_cast<int32_t>(source->width));
  const __m512i height = _mm512_set1_epi32(static_cast<int32_t>(source->height));
  const __m512i pitch = _mm512_set1_epi32(static_cast<int32_t>(source->pitch));
  const __m512i key = _mm512_set1_epi32(static_cast<int32_t>(KEY));
  const __m512d sixteen = _mm512_set1_pd(16.0);
  const uint8_t* bytes = display::ImagePixels(source);
  for (uint32_t y = 0; y < plan.area.rows; ++y) {
    RowStart start;
    uint32_t* out = DoubleRow(destination, source, plan, y, start);
    if (out == nullptr) continue;
    const __m512d startX = _mm512_set1_pd(start.x), startY = _mm512_set1_pd(start.y);
    __m512d xLow = _mm512_setr_pd(0, 1, 2, 3, 4, 5, 6, 7);
    __m512d xHigh = _mm512_setr_pd(8, 9, 10, 11, 12, 13, 14, 15);
    for (uint32_t done = 0; done < columns; done += 16) {
      const uint32_t left = columns - done;
      const auto lanes = static_cast<__mmask16>(left >= 16 ? 0xFFFFu : (1u << left) - 1);
      const __m512i sx = RoundedSixteen(xLow, xHigh, stepX, startX);
      const __m512i sy = RoundedSixteen(xLow, xHigh, stepY, startY);
      // Unsigned bound tests: the INT32_MIN of an out-of-range conversion
      // fails them too.
      const __mmask16 inside = _mm512_mask_cmplt_epu32_mask(
          _mm512_mask_cmplt_epu32_mask(lanes, sx, width), sy, height);
      // Byte offsets; SelectWalkKernel has made sure that they fit 31 bits.
      const __m512i offset =
          _mm512_add_epi32(_mm512_mullo_epi32(sy, pitch), _mm512_slli_epi32(sx, 2));
      const __m512i pixels = _mm512_mask_i32gather_epi32(key, inside, offset, bytes, 1);
      _mm512_mask_storeu_epi32(out + done, lanes, pixels);
      xLow = _mm512_add_pd(xLow, sixteen);
      xHigh = _mm512_add_pd(xHigh, sixteen);
    }
  }
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#else

// Without x86 vector conversions: lrint rounds in the current mode too.
void BaselineRow(uint32_t* out, const display::Image* source, const SpriteMapping& m,
                 uint32_t first, uint32_t columns, float rowX, float rowY) {
  for (uint32_t x = first; x < columns; ++x) {
    const long sx = std::lrint(static_cast<double>(x) * m.ax + rowX);
    const long sy = std::lrint(static_cast<double>(x) * m.ay + rowY);
    const bool inside = sx >= 0 && sx < long{source->width} && sy >= 0 && sy < long{source->height};
    out[x] = inside ? display::ImageRow32(source, sy)[sx] : KEY;
  }
}

#endif

void BaselineWalk(display::Image* destination, const display::Image* source,
                  const WalkPlan& plan) {
  for (uint32_t y = 0; y < plan.area.rows; ++y) {
    RowStart start;
    uint32_t* out = DoubleRow(destination, source, plan, y, start);
    if (out != nullptr)
      BaselineRow(out, source, plan.mapping, 0, plan.area.columns, start.x, start.y);
  }
}

}  // namespace

WalkKernel SelectWalkKernel(RowKernel kernel, const display::Image* source) {
#if TRANSFORM_X86_KERNELS
  // The gathers take 32-bit signed byte offsets into the source.
  const uint64_t lastOffset =
      uint64_t{source->pitch} * (source->height - 1) + uint64_t{source->width} * 4;
  const bool offsetsFit = lastOffset <= uint64_t{std::numeric_limits<int32_t>::max()};
  const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  if (kernel == RowKernel::Best && offsetsFit && __builtin_cpu_supports("avx512f")) {
    return Avx512Walk;
  }
  if (kernel != RowKernel::Baseline && offsetsFit && avx2) return Avx2Walk;
#else
  (void)kernel;
  (void)source;
#endif
  return BaselineWalk;
}

}  // namespace transform::detail
