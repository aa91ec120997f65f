// The game's one state record: both tanks with their shot slots and the sprite
// images, plus ResetMatch, which puts a match back to its start values.
//
//   game::MatchState& state = game::Match();   // the process-wide record
//   game::ResetMatch(state);                    // start positions, no shots
//
// The record belongs to the frame steps once the frame clock runs; they touch it
// without a lock because two frame steps never run at once.
#pragma once
#include <array>
#include <cstdint>

#include "display/image.h"

namespace game {

inline constexpr int SHOT_SLOTS = 13;  // indices 0 to 12
inline constexpr int TANK_FRAME_SIZE = 48;

struct Shot {
  double x = 0.0;  // top-left corner of the bullet picture
  double y = 0.0;
  int32_t heading = 0;  // taken from the tank when fired, may lie in -3..362
  uint8_t active = 0;   // 1 while the shot flies
};

struct Tank {
  display::Image* frameA = nullptr;  // 48 x 48, picture at (8, 8); even animation
  display::Image* frameB = nullptr;  // 48 x 48; odd animation
  display::Image* turned = nullptr;  // current frame turned to the heading
  int32_t heading = 0;               // degrees, 0..359 between frame steps
  uint8_t animation = 0;             // 0..254
  double x = 0.0;                    // top-left corner of `turned` on the screen
  double y = 0.0;
  double speed = 0.0;  // pixels per frame step
  std::array<Shot, SHOT_SLOTS> shots{};
};

struct MatchState {
  Tank green;  // player 1: arrow keys and Ctrl
  Tank blue;   // player 2: D, G, R, F and A
  display::Image* bird = nullptr;
  display::Image* block = nullptr;
  display::Image* bullet = nullptr;
};

// The process-wide match state.
MatchState& Match();

// Start values: green at (488, 216) heading 90, blue at (104, 216) heading 270,
// both at rest, every shot slot free. Animation counters and images are kept.
void ResetMatch(MatchState& state);

}  // namespace game
