// PutImage: position, source rectangle and clipping, then one putter run over
// the visible area.
#include <algorithm>

#include "display/blit.h"
#include "display/draw_common.h"
#include "display/screen_state.h"

namespace display {
namespace {

constexpr int32_t MODE_ALPHA_MASK = 6;

// Area of the source to copy, in source pixels.
struct SourceArea {
  int64_t x = 0, y = 0, width = 0, height = 0;
};

// Inclusive corners, swapped into order and clamped into the source.
SourceArea CornersToArea(const ImageView& source, int64_t x1, int64_t y1, int64_t x2,
                         int64_t y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  const int64_t maxX = int64_t{source.width} - 1, maxY = int64_t{source.height} - 1;
  x1 = std::clamp<int64_t>(x1, 0, maxX);
  x2 = std::clamp<int64_t>(x2, 0, maxX);
  y1 = std::clamp<int64_t>(y1, 0, maxY);
  y2 = std::clamp<int64_t>(y2, 0, maxY);
  return {x1, y1, x2 - x1 + 1, y2 - y1 + 1};
}

PutterRoutine RoutineFor(const Putter& putter, uint32_t bytesPerPixel) {
  switch (bytesPerPixel) {
    case 4: return putter.bytes4;
    case 2: return putter.bytes2;
    case 1: return putter.bytes1;
    default: return nullptr;
  }
}

}  // namespace

int PutImage(Image* target, float x, float y, const Image* source, int32_t x1, int32_t y1,
             int32_t x2, int32_t y2, int32_t coordType, int32_t mode, const Putter& putter,
             int32_t alpha, Blender blender, void* parameter) {
  Screen* screen = CurrentScreen();
  if (screen == nullptr || source == nullptr || coordType < 0 || coordType > 3) {
    return ILLEGAL_CALL;
  }
  SelectTarget(*screen, target);
  DrawingState& state = screen->drawing;

  // Bit 1 of coordType: position relative to the current point; bit 0: second
  // corner relative to the first.
  const auto [px, py] = PlaceAt(state, x, y, (coordType & 2) != 0);

  const ImageView src = DescribeImage(source, screen->bytesPerPixel);
  PutterRoutine routine = RoutineFor(putter, state.targetBytesPerPixel);
  if (src.bytesPerPixel != state.targetBytesPerPixel) {
    const bool alphaMask =
        mode == MODE_ALPHA_MASK && src.bytesPerPixel == 1 && state.targetBytesPerPixel == 4;
    if (!alphaMask) return ILLEGAL_CALL;
    routine = PutAlphaMask;
  }
  if (routine == nullptr) return ILLEGAL_CALL;

  // A short header can describe an empty image; there is nothing to clamp into.
  if (src.width == 0 || src.height == 0) return OK;
  SourceArea area{0, 0, src.width, src.height};
  if (x1 != ARG_DEFAULT) {
    const int64_t cornerX = (coordType & 1) ? int64_t{x2} + x1 : x2;
    const int64_t cornerY = (coordType & 1) ? int64_t{y2} + y1 : y2;
    area = CornersToArea(src, x1, y1, cornerX, cornerY);
  }

  // Clip against the clip rectangle, skipping the source rows and columns cut off.
  const ClipRect& clip = state.clip;
  const int64_t left = std::max<int64_t>(px, clip.x);
  const int64_t top = std::max<int64_t>(py, clip.y);
  const int64_t right = std::min<int64_t>(px + area.width, int64_t{clip.x} + clip.width);
  const int64_t bottom = std::min<int64_t>(py + area.height, int64_t{clip.y} + clip.height);
  if (left >= right || top >= bottom) return OK;

  const uint8_t* from = src.pixels + (area.y + top - py) * src.pitch +
                        (area.x + left - px) * src.bytesPerPixel;
  uint8_t* to = state.targetPixels + top * state.targetPitch + left * state.targetBytesPerPixel;
  {
    AutoLock lock(*screen);
    routine(from, to, static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top),
            static_cast<int32_t>(src.pitch), static_cast<int32_t>(state.targetPitch), alpha,
            blender, parameter);
    if (TargetIsPage(*screen)) {
      MarkRows(*screen, static_cast<int32_t>(top), static_cast<int32_t>(bottom - 1));
    }
  }
  return OK;
}

}  // namespace display
