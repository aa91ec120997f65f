// RotateSprite: builds the rotation about the destination centre with Matrix,
// reads it back as an origin and two steps, and walks the pixels with them.
#include "transform/rotate_sprite.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "transform/matrix.h"
#include "transform/sprite_walk.h"

namespace transform {
namespace detail {
namespace {

// Nearest integer, ties to even, held inside the int32 range.
int32_t RoundToInt32(float value) {
  constexpr float limit = 2147483520.0f;  // the largest single below 2^31
  return static_cast<int32_t>(std::lrint(std::clamp(value, -limit, limit)));
}

bool IsRotatable(const display::Image* image) {
  return image->type == display::IMAGE_TYPE && image->bytesPerPixel == 4;
}

}  // namespace

SpriteMapping MappingFor(uint32_t destinationWidth, uint32_t destinationHeight, int32_t heading) {
  const auto cx = static_cast<int32_t>(destinationWidth >> 1);
  const auto cy = static_cast<int32_t>(destinationHeight >> 1);
  Matrix m;
  m.LoadIdentity();
  m.Translate(cx, cy, 0);
  m.Rotate(0, 0, heading);
  m.Translate(-cx, -cy, 0);
  const Vector3 origin = m.Position(), columnStep = m.AxisX(), rowStep = m.AxisY();
  return {.tx = RoundToInt32(origin.x),
          .ty = RoundToInt32(origin.y),
          .ax = columnStep.x,
          .ay = columnStep.y,
          .bx = rowStep.x,
          .by = rowStep.y};
}

namespace {

// The mapping depends only on the destination's size and the heading, and
// building it through Matrix (three products in extended precision and an
// extended-precision sine and cosine) costs as much as walking a fifth of a
// 48x48 sprite. Each thread keeps the last few it built, one slot per heading
// modulo the table size: a game turns a handful of sprites to headings that
// mostly repeat from frame to frame.
const SpriteMapping& CachedMappingFor(uint32_t destinationWidth, uint32_t destinationHeight,
                                      int32_t heading) {
  struct Slot {
    bool filled;
    uint32_t width, height;
    int32_t heading;
    SpriteMapping mapping;
  };
  constexpr uint32_t slots = 16;
  thread_local Slot cache[slots];
  Slot& slot = cache[static_cast<uint32_t>(heading) % slots];
  if (!slot.filled || slot.width != destinationWidth || slot.height != destinationHeight ||
      slot.heading != heading) {
    slot = {true, destinationWidth, destinationHeight, heading,
            MappingFor(destinationWidth, destinationHeight, heading)};
  }
  return slot.mapping;
}

}  // namespace

}  // namespace detail

void RotateSprite(display::Image* destination, const display::Image* source, int32_t heading) {
  if (destination == nullptr || source == nullptr) return;
  // Anything but 4-byte pixels would make the 32-bit walk run past the rows.
  if (!detail::IsRotatable(destination) || !detail::IsRotatable(source)) return;
  if (destination == source) {
    // Turned in place, the row kernels would read pixels they had already written,
    // each as far ahead as its vector width: turn a copy so every processor gives
    // the same picture.
    const size_t bytes = display::IMAGE_HEADER_SIZE + size_t{source->pitch} * source->height;
    std::unique_ptr<display::Image, decltype(&std::free)> copy(
        static_cast<display::Image*>(std::malloc(bytes)), &std::free);
    if (copy == nullptr) return;
    std::memcpy(copy.get(), source, bytes);
    RotateSprite(destination, copy.get(), heading);
    return;
  }
  const detail::SpriteMapping mapping =
      detail::CachedMappingFor(destination->width, destination->height, heading);
  // A destination smaller than the source clips the walk instead of being
  // written past its edges.
  const detail::WalkArea area{std::min(source->width, destination->width),
                              std::min(source->height, destination->height)};
  detail::WalkFast(destination, source, mapping, area);
}

}  // namespace transform
