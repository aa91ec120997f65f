// The pixel walks of RotateSprite.
//
// The mapping is defined in extended precision: sx = round(x*ax + rowX), formed
// in long double and rounded to nearest even. x87 arithmetic is several times
// slower than SSE2, so WalkFast forms each row's sums in double instead, but only
// where a short argument shows that the double sums round to the same integers:
// once per call for the whole walk (any heading whose sine and cosine are not
// tiny), else row by row; rows that pass no test take the extended-precision
// path. For sprite-sized images at whole-degree headings no row needs it.
#include "transform/sprite_walk.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "display/blit.h"
#include "transform/sprite_kernels.h"

namespace transform::detail {
namespace {

using Wide = long double;

constexpr uint32_t KEY = display::KEY_COLOUR_32;

// Row start: y * step + origin, stored as a single.
float RowStartValue(uint32_t y, float step, int32_t origin) {
  return static_cast<float>(Wide{static_cast<Wide>(y)} * step + origin);
}

uint32_t SourcePixel(const display::Image* source, uint32_t x, uint32_t y) {
  return display::ImageRow32(source, y)[x];
}

double PowerOfTwo(int exponent) {
  return std::bit_cast<double>(static_cast<uint64_t>(exponent + 1023) << 52);
}

// The value of the lowest set bit of a finite single: every multiple of `a` is
// a multiple of it. Infinity for 0, so that 0 never limits anything.
double Granularity(float a) {
  const uint32_t bits = std::bit_cast<uint32_t>(a) & 0x7FFFFFFFu;
  if (bits == 0) return std::numeric_limits<double>::infinity();
  const uint32_t biased = bits >> 23;  // 0 for subnormals
  const uint32_t significand = (bits & 0x7FFFFFu) | (biased != 0 ? 0x800000u : 0u);
  const int scale = (biased != 0 ? static_cast<int>(biased) : 1) - 150;
  return PowerOfTwo(scale + std::countr_zero(significand));
}

// The double sums e(x) = x*step + start (x*step is exact) and the long double
// ones are both within delta of the exact e(x), so they round to different
// integers only if e(x) lies within delta of a half and is not exactly a half
// that both hold. The tests below rule that out, for every row of a walk at
// once or for one row.

// Whether every row start y*rowStep + origin, formed in double, rounds to the
// single that the long double sum does. Either the sum is exact in double:
// y*rowStep is (y below 2^29), and the sum is a multiple of
// min(Granularity(rowStep), 1), so it is exact if it fits 52 bits of that. Or,
// for the tiny row steps of headings near multiples of 90 degrees, every row
// start lies nearer the origin than half the gap to the neighbouring singles,
// so that both sums round to the origin itself.
bool RowStartsRoundAlike(float rowStep, int32_t origin, uint32_t rows) {
  if (!std::isfinite(rowStep) || rows >= (1u << 29)) return false;
  const double span = static_cast<double>(rows) * std::fabs(rowStep);
  const double magnitude = std::fabs(static_cast<double>(origin));
  const double bound = span + magnitude;
  if (bound < 0x1p52 * std::min(Granularity(rowStep), 1.0)) return true;
  if (origin == 0 || magnitude >= 0x1p24) return false;
  // The singles' spacing above |origin|, and below it half that at a power of two.
  const int exponent = std::ilogb(magnitude);
  const double above = PowerOfTwo(exponent - 23);
  const double below = magnitude == PowerOfTwo(exponent) ? above / 2 : above;
  return span + bound * 0x1p-50 < below / 2;
}

bool IsWhole(float value) { return std::trunc(value) == value; }

// Every row start, as a single, is a multiple of min(Granularity(rowStep), 1),
// so with x*step every e(x) of the walk is a multiple of `grain`; if all fit 52
// bits of it, double holds them exactly.
bool WalkRoundsAlike(float step, float rowStep, int32_t origin, WalkArea area) {
  if (!std::isfinite(step) || !std::isfinite(rowStep)) return false;
  const double rowSpan = static_cast<double>(area.rows - 1) * std::fabs(rowStep);
  const double columnSpan = static_cast<double>(area.columns - 1) * std::fabs(step);
  const double rowStarts = (rowSpan + std::fabs(static_cast<double>(origin))) * (1 + 0x1p-20);
  const double bound = columnSpan + rowStarts;
  // 1. Every e(x) exact in double.
  const double grain = std::min({Granularity(step), Granularity(rowStep), 1.0});
  if (bound < 0x1p52 * grain) return true;
  // 2. Headings near multiples of 90 degrees: every e(x) stays near an integer.
  //    A whole step adds whole numbers; a fractional one moves e(x) off the
  //    integer origin by at most its span. The row start's rounding to single
  //    (2^-24 of it) and the sums' rounding (well under 2^-50 of the bound)
  //    add to that; below one half in all, both sums round to that integer.
  const double offInteger = (IsWhole(step) ? 0.0 : columnSpan) +
                            (IsWhole(rowStep) ? 0.0 : rowSpan) + rowStarts * 0x1p-23 +
                            bound * 0x1p-48;
  return offInteger < 0.5;
}

// The same for one row, where the start is known, with two more ways out for
// the tiny steps of headings near multiples of 90 degrees.
bool RowRoundsAlike(float step, float start, uint32_t count) {
  if (!std::isfinite(step) || !std::isfinite(start)) return false;
  const double span = static_cast<double>(count - 1) * step;
  const double bound = std::fabs(span) + std::fabs(start);
  // 1. Exact in double, as above.
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

}  // namespace

bool StartOfRowChecked(const WalkPlan& plan, uint32_t y, RowStart& start) {
  const SpriteMapping& m = plan.mapping;
  const float rowX = plan.startsInDouble ? RowStartInDouble(y, m.bx, m.tx)
                                         : RowStartValue(y, m.bx, m.tx);
  const float rowY = plan.startsInDouble ? RowStartInDouble(y, m.by, m.ty)
                                         : RowStartValue(y, m.by, m.ty);
  start = {rowX, rowY};
  return (plan.everyRowX || RowRoundsAlike(m.ax, rowX, plan.area.columns)) &&
         (plan.everyRowY || RowRoundsAlike(m.ay, rowY, plan.area.columns));
}

void ExtendedRow(uint32_t* out, const display::Image* source, const SpriteMapping& m,
                 uint32_t columns, float rowX, float rowY) {
  for (uint32_t x = 0; x < columns; ++x) {
    // lrint of a long double rounds in the current (nearest-even) mode; values
    // beyond long's range come back as LONG_MIN, which fails the bound test.
    const long sx = std::lrint(static_cast<Wide>(x) * m.ax + rowX);
    const long sy = std::lrint(static_cast<Wide>(x) * m.ay + rowY);
    const bool inside = sx >= 0 && sx < long{source->width} && sy >= 0 && sy < long{source->height};
    out[x] =
        inside ? SourcePixel(source, static_cast<uint32_t>(sx), static_cast<uint32_t>(sy)) : KEY;
  }
}

void WalkExtended(display::Image* destination, const display::Image* source,
                  const SpriteMapping& mapping, WalkArea area) {
  for (uint32_t y = 0; y < area.rows; ++y) {
    ExtendedRow(display::ImageRow32(destination, y), source, mapping, area.columns,
                RowStartValue(y, mapping.bx, mapping.tx),
                RowStartValue(y, mapping.by, mapping.ty));
  }
}

void WalkFast(display::Image* destination, const display::Image* source,
              const SpriteMapping& mapping, WalkArea area, RowKernel kernel) {
  // Column products x*step are exact in double below 2^29 columns, and the
  // rounded coordinates must fit int32.
  constexpr uint32_t int32Max = std::numeric_limits<int32_t>::max();
  if (area.columns == 0) return;
  if (area.columns >= (1u << 29) || source->width > int32Max || source->height > int32Max) {
    WalkExtended(destination, source, mapping, area);
    return;
  }
  const WalkPlan plan{mapping, area, WalkRoundsAlike(mapping.ax, mapping.bx, mapping.tx, area),
                      WalkRoundsAlike(mapping.ay, mapping.by, mapping.ty, area),
                      RowStartsRoundAlike(mapping.bx, mapping.tx, area.rows) &&
                          RowStartsRoundAlike(mapping.by, mapping.ty, area.rows)};
  SelectWalkKernel(kernel, source)(destination, source, plan);
}

}  // namespace transform::detail
