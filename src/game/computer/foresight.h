// The computer player's foresight: tanks and shots carried forward by the game's
// own rules (the frame step's functions, not copies of them), so what it
// predicts for known keys is exactly what the frame steps will do.
//
//   game::Tank later = now;
//   game::computer::StepTank(later, game::TANK_ACCELERATE);   // one frame step on
#pragma once
#include <cstdint>

#include "game/match_state.h"

namespace game::computer {

// One frame step of a tank's motion holding `keys` (TankKey bits; fire is left
// out): turn, speed, dead zone, heading wrap, motion and clamps.
void StepTank(Tank& tank, uint32_t keys);

// The turn and speed keys that take a tank from `before` to `after` in one frame
// step, as far as the motion shows them (a key that changed nothing is not seen).
uint32_t KeysSeen(const Tank& before, const Tank& after);

// One frame step of a shot: flight and expiry. An inactive shot stays.
void StepShot(Shot& shot);

// How a shot flying from where it is would end.
enum class ShotEnd { Expires, HitsTarget, HitsBird };
struct ShotFate {
  ShotEnd end;
  int frames;  // frame steps until then
};

// Follows the shot until it ends, the target moving meanwhile by `targetKeys`
// (tanks move before shots fly, as in a frame step); the target's hit box is
// shifted by (dx, dy), which is how the computer's aim errs.
ShotFate FollowShot(Shot shot, Tank target, uint32_t targetKeys, double dx = 0.0, double dy = 0.0);

// True when the shot, hitting no tank, would hit the bird before it expires.
bool ShotPathHitsBird(Shot shot);

}  // namespace game::computer
