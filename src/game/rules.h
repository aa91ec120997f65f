// The rules of one frame step, apart from its drawing and sound: a pure function
// of the match state and both tanks' held keys.
//
//   game::StepResult result = game::RulesStep(state, greenKeys, blueKeys);
//   if (result.outcome != nullptr) ... the match is decided ...
//
// It moves the tanks, counts their animation on, flies the shots and decides the
// match, and reports what the frame shows and what the sound hears. It draws
// nothing, reads no keys and posts nothing, so a replay or a rollback can run it
// as often as it likes; FrameStep runs it once per shown frame and presents the
// result. The state is left as the deciding step left it: setting up the next
// match is the caller's.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "audio/events.h"
#include "game/match_state.h"

namespace game {

// Who won a match.
enum Winner : int32_t { GREEN_WINS = 1, BLUE_WINS = 2 };

// The bird's top-left corner: where it is drawn and where its box is hit.
inline constexpr double BIRD_X = 304.0;
inline constexpr double BIRD_Y = 224.0;

// One of the six ways a match ends; `how` is what the sound is told (the tank
// shot is always the loser).
struct Outcome {
  std::string_view message;
  Winner winner;
  audio::MatchEnd how;
};

// Where a shot stood when it was drawn: after its flight, before its expiry.
struct FlownShot {
  double x;
  double y;
};

struct StepResult {
  const Outcome* outcome = nullptr;  // null while the match goes on
  // The shots flown, in the order they are drawn: green's slot i, blue's slot
  // i, then i + 1. The walk stops after the slot index whose shot hit something.
  std::array<FlownShot, 2 * SHOT_SLOTS> flown{};
  int32_t flownCount = 0;
  int32_t slotsWalked = 0;  // slot indices flown: SHOT_SLOTS unless a shot hit
  // The shot each tank fired this step as it left the barrel (active 0: none).
  Shot greenFired{};
  Shot blueFired{};
};

// One frame step's rules on `state`; the keys are TankKey bits (game/key_source.h).
StepResult RulesStep(MatchState& state, uint32_t greenKeys, uint32_t blueKeys);

// 1 when the boxes overlap or only touch (edges inclusive), else 0.
int32_t BoxesOverlap(double x1, double y1, int32_t w1, int32_t h1, double x2, double y2,
                     int32_t w2, int32_t h2);

}  // namespace game
