// Row kernels of the double-precision sprite walk (internal to the transform
// library): one destination row, x = 0 .. columns-1, sampling the source at
// the nearest integers (ties to even) to x*ax + rowX and x*ay + rowY formed in
// double, key colour outside the source.
#pragma once
#include <cstdint>

#include "display/image.h"
#include "transform/sprite_walk.h"

namespace transform::detail {

using DoubleRowKernel = void (*)(uint32_t* out, const display::Image* source,
                                 const SpriteMapping& mapping, uint32_t columns, float rowX,
                                 float rowY);

// The fastest kernel this processor runs on this source (AVX2 where present),
// or for RowKernel::Baseline the one that every processor runs.
DoubleRowKernel SelectDoubleRowKernel(RowKernel kernel, const display::Image* source);

}  // namespace transform::detail
