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
// Sets the start values of row y; returns whether the row's double sums round
// like the extended ones.
bool StartOfRow(const WalkPlan& plan, uint32_t y, RowStart& start);

// One row formed in long double, as the mapping is defined.
void ExtendedRow(uint32_t* out, const display::Image* source, const SpriteMapping& m,
                 uint32_t columns, float rowX, float rowY);

using WalkKernel = void (*)(display::Image* destination, const display::Image* source,
                            const WalkPlan& plan);

// The kernel asked for, or the next slower one where this processor or source
// cannot run it: AVX-512, AVX2, then the baseline that every processor runs.
WalkKernel SelectWalkKernel(RowKernel kernel, const display::Image* source);

}  // namespace transform::detail
