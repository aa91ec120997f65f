// Walk kernels of the double-precision sprite walk (internal to the transform
// library). A kernel walks every row of the area: rows whose double sums
// provably round like the extended ones sample the source at the nearest
// integers (ties to even) to x*ax + rowX and x*ay + rowY formed in double, key
// colour outside the source; the other rows go through ExtendedRow.
#pragma once
#include <cstdint>

#include "display/image.h"
#include "transform/sprite_walk.h"

namespace transform::detail {

// The walk as a kernel sees it. everyRowX/Y: the per-call check passed for
// that coordinate, so no row needs its own; startsInDouble: the row starts
// may be formed in double.
struct WalkPlan {
  SpriteMapping mapping;
  WalkArea area;
  bool everyRowX, everyRowY;
  bool startsInDouble;
};

// Start values of a row, rowX and rowY.
struct RowStart {
  float x, y;
};
// A row start y * step + origin formed in double, where startsInDouble allows.
inline float RowStartInDouble(uint32_t y, float step, int32_t origin) {
  return static_cast<float>(static_cast<double>(y) * step + origin);
}

// Sets the start values of row y; returns whether the row's double sums round
// like the extended ones.
bool StartOfRowChecked(const WalkPlan& plan, uint32_t y, RowStart& start);
// The same, inline for the common plan that needs no work per row: the kernels
// call it for every row, and a call there stalls the walk.
inline bool StartOfRow(const WalkPlan& plan, uint32_t y, RowStart& start) {
  if (!plan.everyRowX || !plan.everyRowY || !plan.startsInDouble) {
    return StartOfRowChecked(plan, y, start);
  }
  const SpriteMapping& m = plan.mapping;
  start = {RowStartInDouble(y, m.bx, m.tx), RowStartInDouble(y, m.by, m.ty)};
  return true;
}

// One row formed in long double, as the mapping is defined.
void ExtendedRow(uint32_t* out, const display::Image* source, const SpriteMapping& m,
                 uint32_t columns, float rowX, float rowY);

// Row y of a kernel's walk: sets its start values and returns its pixels for
// the kernel to walk in double, or walks it in long double and returns null
// when its double sums may round otherwise.
inline uint32_t* DoubleRow(display::Image* destination, const display::Image* source,
                           const WalkPlan& plan, uint32_t y, RowStart& start) {
  uint32_t* out = display::ImageRow32(destination, y);
  if (StartOfRow(plan, y, start)) return out;
  ExtendedRow(out, source, plan.mapping, plan.area.columns, start.x, start.y);
  return nullptr;
}

using WalkKernel = void (*)(display::Image* destination, const display::Image* source,
                            const WalkPlan& plan);

// The kernel asked for, or the next slower one where this processor or source
// cannot run it: AVX-512, AVX2, then the baseline that every processor runs.
WalkKernel SelectWalkKernel(RowKernel kernel, const display::Image* source);

}  // namespace transform::detail
