// The frame step: one tick of the game, run by the frame clock every 35 ms.
//
//   frameclock::RunFrameClock(35, game::FrameStep);
//
// It reads the keys, runs the rules (game/rules.h), redraws the arena with what
// they report and posts the sounds; a deciding frame step shows the match-over
// screen and then ends the program or sets up a new match. It works on
// game::Match() without a lock: two frame steps must never run at once.
#pragma once

namespace game {

void FrameStep();

}  // namespace game
