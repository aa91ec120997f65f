// The pixel walks of RotateSprite.
//
// The mapping is defined in extended precision: sx = round(x*ax + rowX), formed
// in long double and rounded to nearest even. x87 arithmetic is several times
// slower than SSE2, so WalkFast forms each row's sums in double instead, but only
// for rows where a short argument (RowRoundsAlike) shows that the double sums
// round to the same integers; the other rows take the extended-precision path.
// Rows where that happens are those where a step is a tiny sine or cosine
// (headings that are multiples of 90 degrees) and the sums run near halves.
#include "transform/sprite_walk.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "display/blit.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace transform::detail {
namespace {

using Wide = long double;

constexpr uint32_t KEY = display::KEY_COLOUR_32;

// Row start: y * step + origin, stored as a single.
float RowStart(uint32_t y, float step, int32_t origin) {
  return static_cast<float>(Wide{static_cast<Wide>(y)} * step + origin);
}

uint32_t SourcePixel(const display::Image* source, uint32_t x, uint32_t y) {
  return display::ImageRow32(source, y)[x];
}

void ExtendedRow(uint32_t* out, const display::Image* source, const SpriteMapping& m,
                 uint32_t columns, float rowX, float rowY) {
  for (uint32_t x = 0; x < columns; ++x) {
    // lrint of a long double rounds in the current (nearest-even) mode; values
    // beyond long's range come back as LONG_MIN, which fails the bound test.
    const long sx = std::lrint(static_cast<Wide>(x) * m.ax + rowX);
    const long sy = std::lrint(static_cast<Wide>(x) * m.ay + rowY);
    const bool inside = sx >= 0 && sx < long{source->width} && sy >= 0 && sy < long{source->height};
    out[x] = inside ? SourcePixel(source, static_cast<uint32_t>(sx), static_cast<uint32_t>(sy)) : KEY;
  }
}

// The value of the lowest set bit of a finite single (every multiple of a is a
// multiple of it); infinity for 0, so that 0 never limits anything.
double Granularity(float a) {
  if (a == 0.0f) return std::numeric_limits<double>::infinity();
  int exponent = 0;
  const double fraction = std::frexp(static_cast<double>(a), &exponent);
  const auto significand = static_cast<uint32_t>(std::fabs(fraction) * 0x1p24);
  return std::ldexp(1.0, exponent - 24 + std::countr_zero(significand));
}

// Whether e(x) = x*step + start, x = 0 .. count-1, rounds to the same integers
// when formed in double (x*step exact, one rounded addition) as in long double.
// Both are within delta of the exact e(x); they can differ only if e(x) lies
// within delta of a half, and is not exactly a half that both represent. Each
// test below rules that out for the whole row.
bool RowRoundsAlike(float step, float start, uint32_t count) {
  if (!std::isfinite(step) || !std::isfinite(start)) return false;
  const double span = static_cast<double>(count - 1) * step;
  const double bound = std::fabs(span) + std::fabs(start);
  // 1. Every e(x) is a multiple of the finer granularity and fits 52 bits of
  //    it: double holds it exactly.
  const double grain = std::min(Granularity(step), Granularity(start));
  if (bound < 0x1p52 * grain) return true;
  const double delta = bound * 0x1p-48;  // well above both rounding errors
  // 2. The row's values stay between two neighbouring halves.
  const double low = start + std::min(0.0, span) - delta;
  const double high = start + std::max(0.0, span) + delta;
  if (std::ceil(low - 0.5) > std::floor(high - 0.5)) return true;
  // 3. x*step - h is 0 or at least stepGrain away for every half h; a start of
  //    0, or between delta and stepGrain - delta, keeps e(x) off the halves
  //    or exactly on them with x*step, which double holds.
  const double stepGrain = std::min(Granularity(step), 0.5);
  const double magnitude = std::fabs(start);
  return magnitude + delta < stepGrain && (start == 0.0f || magnitude > delta);
}

#if defined(__SSE2__)
// Both coordinates of a position in one register: cvtpd2dq rounds them in the
// current (nearest-even) mode; out-of-range values become INT32_MIN.
void DoubleRow(uint32_t* out, const display::Image* source, const SpriteMapping& m,
               uint32_t columns, float rowX, float rowY) {
  const __m128d step = _mm_set_pd(m.ay, m.ax);
  const __m128d start = _mm_set_pd(rowY, rowX);
  __m128d column = _mm_setzero_pd();  // (x*ax, x*ay), exact: each is a 54-bit product at most
  const uint8_t* pixels = display::ImagePixels(source);
  const size_t pitch = source->pitch;
  const uint32_t width = source->width, height = source->height;
  for (uint32_t x = 0; x < columns; ++x) {
    const __m128i rounded = _mm_cvtpd_epi32(_mm_add_pd(column, start));
    column = _mm_add_pd(column, step);
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
#else
void DoubleRow(uint32_t* out, const display::Image* source, const SpriteMapping& m,
               uint32_t columns, float rowX, float rowY) {
  for (uint32_t x = 0; x < columns; ++x) {
    const long sx = std::lrint(static_cast<double>(x) * m.ax + rowX);
    const long sy = std::lrint(static_cast<double>(x) * m.ay + rowY);
    const bool inside = sx >= 0 && sx < long{source->width} && sy >= 0 && sy < long{source->height};
    out[x] = inside ? SourcePixel(source, static_cast<uint32_t>(sx), static_cast<uint32_t>(sy)) : KEY;
  }
}
#endif

}  // namespace

void WalkExtended(display::Image* destination, const display::Image* source,
                  const SpriteMapping& mapping, WalkArea area) {
  for (uint32_t y = 0; y < area.rows; ++y) {
    ExtendedRow(display::ImageRow32(destination, y), source, mapping, area.columns,
                RowStart(y, mapping.bx, mapping.tx), RowStart(y, mapping.by, mapping.ty));
  }
}

void WalkFast(display::Image* destination, const display::Image* source,
              const SpriteMapping& mapping, WalkArea area) {
  // Column products x*step are exact in double below 2^29 columns, and the
  // rounded coordinates must fit int32.
  constexpr uint32_t int32Max = std::numeric_limits<int32_t>::max();
  if (area.columns == 0) return;
  if (area.columns >= (1u << 29) || source->width > int32Max || source->height > int32Max) {
    WalkExtended(destination, source, mapping, area);
    return;
  }
  for (uint32_t y = 0; y < area.rows; ++y) {
    const float rowX = RowStart(y, mapping.bx, mapping.tx);
    const float rowY = RowStart(y, mapping.by, mapping.ty);
    uint32_t* out = display::ImageRow32(destination, y);
    if (RowRoundsAlike(mapping.ax, rowX, area.columns) &&
        RowRoundsAlike(mapping.ay, rowY, area.columns)) {
      DoubleRow(out, source, mapping, area.columns, rowX, rowY);
    } else {
      ExtendedRow(out, source, mapping, area.columns, rowX, rowY);
    }
  }
}

}  // namespace transform::detail
