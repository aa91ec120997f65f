// Drawing positions: single-precision coordinates to pixels.
#include <cmath>

#include "display/draw_common.h"
#include "display/screen_state.h"

namespace display {

int32_t RoundToPixel(float value) {
  constexpr double LIMIT = 1 << 30;
  // A float plus or minus 0.5 is exact in double, so no rounding creeps in.
  const double v = value;
  const double rounded = std::trunc(v > 0 ? v + 0.5 : v - 0.5);
  if (!(rounded >= -LIMIT)) return static_cast<int32_t>(-LIMIT);  // also NaN
  if (rounded > LIMIT) return static_cast<int32_t>(LIMIT);
  return static_cast<int32_t>(rounded);
}

PixelPoint PlaceAt(DrawingState& state, float x, float y, bool relative) {
  if (relative) {
    x += state.pointX;
    y += state.pointY;
  }
  state.pointX = x;
  state.pointY = y;
  return PixelPoint{int64_t{RoundToPixel(x)} + state.clip.x, int64_t{RoundToPixel(y)} + state.clip.y};
}

}  // namespace display
