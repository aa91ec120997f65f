// The frame step: one tick of the game, run by the frame clock every 35 ms.
//
//   frameclock::RunFrameClock(35, game::FrameStep);
//
// It reads the keys, moves both tanks, redraws the arena, flies the shots and
// decides the match; a deciding frame step shows the match-over screen and then
// ends the program or sets up a new match. It works on game::Match() without a
// lock: two frame steps must never run at once.
#pragma once
#include <cstdint>

namespace game {

// Who won a match.
enum Winner : int32_t { GREEN_WINS = 1, BLUE_WINS = 2 };

void FrameStep();

// 1 when the boxes overlap or only touch (edges inclusive), else 0.
int32_t BoxesOverlap(double x1, double y1, int32_t w1, int32_t h1, double x2, double y2,
                     int32_t w2, int32_t h2);

}  // namespace game
