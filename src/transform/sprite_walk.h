// The pieces of RotateSprite (internal to the transform library and its tests):
// the mapping read back from the rotation matrix and the pixel walks over it.
#pragma once
#include <cstdint>

#include "display/image.h"

namespace transform::detail {

// Destination (x, y) samples the source at the nearest integers to
// (x*ax + rowX, x*ay + rowY), rowX = y*bx + tx and rowY = y*by + ty as singles.
struct SpriteMapping {
  int32_t tx, ty;  // origin, the matrix position rounded to nearest even
  float ax, ay;    // column step: the matrix X axis
  float bx, by;    // row step: the matrix Y axis
};

// T(cx, cy) * Rz(heading) * T(-cx, -cy) about the destination centre, built
// through Matrix and read back.
SpriteMapping MappingFor(uint32_t destinationWidth, uint32_t destinationHeight, int32_t heading);

// The walk area: the source's size clipped to the destination's.
struct WalkArea {
  uint32_t columns, rows;
};

// Formed in extended precision exactly as the mapping is defined: the reference.
void WalkExtended(display::Image* destination, const display::Image* source,
                  const SpriteMapping& mapping, WalkArea area);
// Which walk kernel WalkFast uses: the fastest the processor runs, the AVX2
// one, or the baseline one (tests run all three).
enum class RowKernel { Best, Avx2, Baseline };

// The same pixels, row by row in double precision wherever that provably rounds
// to the same integers, otherwise through the extended-precision row.
void WalkFast(display::Image* destination, const display::Image* source,
              const SpriteMapping& mapping, WalkArea area, RowKernel kernel = RowKernel::Best);

}  // namespace transform::detail
