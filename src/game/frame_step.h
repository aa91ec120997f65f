// The frame step: one tick of the game, run by the frame clock every 35 ms.
//
//   frameclock::RunFrameClock(35, game::FrameStep);
//
// It reads the keys, runs the rules (game/rules.h), redraws the arena with what
// they report and posts the sounds; a deciding frame step shows the match-over
// screen and then ends the program or sets up a new match. It works on
// game::Match() without a lock: two frame steps must never run at once.
#pragma once
#include <cstdint>

namespace game {

// The frame clock's period, and the pause after the match-over screen's choice,
// for every way the game is played (local, watched, online).
inline constexpr int32_t FRAME_STEP_MS = 35;
inline constexpr int32_t PAUSE_AFTER_MATCH_MS = 1000;

void FrameStep();

}  // namespace game
