// The arena's picture: walls, bird, tanks and shots, in the order they overlap.
#include "game/draw_arena.h"

#include "display/blit.h"
#include "transform/rotate_sprite.h"

namespace game {
namespace {

constexpr int32_t BLOCK_STEP = 32;
constexpr int32_t LAST_COLUMN = 639;
constexpr int32_t BOTTOM_WALL_ROW = 447;
constexpr int32_t RIGHT_WALL_COLUMN = 607;

void Blit(double x, double y, const display::Image* image, const display::Putter& putter,
          int32_t mode) {
  display::PutImage(nullptr, static_cast<float>(x), static_cast<float>(y), image,
                    display::ARG_DEFAULT, 0, 0, 0, 0, mode, putter);
}
void BlitOpaque(double x, double y, const display::Image* image) {
  Blit(x, y, image, display::PutOpaque, 1);
}
void BlitTransparent(double x, double y, const display::Image* image) {
  Blit(x, y, image, display::PutTransparent, 0);
}

// Turns the frame the animation counter selects to the tank's heading.
void TurnTank(const Tank& tank) {
  const display::Image* frame = tank.animation % 2 == 0 ? tank.frameA : tank.frameB;
  transform::RotateSprite(tank.turned, frame, tank.heading);
}

// The bottom row stands at 447 and the right column at 607, so column 639 and
// row 479 of the screen stay uncovered.
void DrawWalls(const display::Image* block) {
  for (int32_t x = 0; x <= LAST_COLUMN; x += BLOCK_STEP) {
    BlitOpaque(x, 0, block);
    BlitOpaque(x, BOTTOM_WALL_ROW, block);
  }
  for (int32_t y = BLOCK_STEP; y <= BOTTOM_WALL_ROW; y += BLOCK_STEP) {
    BlitOpaque(0, y, block);
    BlitOpaque(RIGHT_WALL_COLUMN, y, block);
  }
}

}  // namespace

void DrawArena(const MatchState& state, const StepResult& result) {
  TurnTank(state.green);
  TurnTank(state.blue);
  DrawWalls(state.block);
  BlitTransparent(BIRD_X, BIRD_Y, state.bird);
  BlitTransparent(state.green.x, state.green.y, state.green.turned);
  BlitTransparent(state.blue.x, state.blue.y, state.blue.turned);
  for (int32_t i = 0; i < result.flownCount; ++i) {
    BlitTransparent(result.flown[i].x, result.flown[i].y, state.bullet);
  }
}

}  // namespace game
