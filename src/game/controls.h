// Internal to the game library: the first half of a frame step (keys, firing,
// dead zone, heading wrap, motion and clamps), one tank at a time.
#pragma once
#include <cstdint>

#include "game/match_state.h"

namespace game {

// Scan codes of one tank's five controls by default (game/key_bindings.h), in the
// order they are read.
struct TankKeys {
  int32_t left, right, accelerate, brake, fire;
};
inline constexpr TankKeys GREEN_KEYS = {75, 77, 72, 80, 29};
inline constexpr TankKeys BLUE_KEYS = {32, 34, 19, 33, 30};

// Degrees to radians as heading x 3.14 / 180, left to right in long double: 3.14,
// not pi, is what the game's headings and shot paths are built on.
inline long double Radians(int32_t heading) {
  return heading * static_cast<long double>(3.14) / 180;
}

// Sine and cosine of an angle, in long double.
struct Direction {
  long double sine;
  long double cosine;
};
// Of Radians(heading): the direction of a shot (headings -3..362 and beyond).
Direction ShotDirection(int32_t heading);
// Of Radians(heading) stored as a double first: the direction a tank moves in.
Direction MotionDirection(int32_t heading);

// Acts on held keys (TankKey bits of game/key_source.h) in order: turn, accelerate,
// brake, fire. Keys from the keyboard and from a key chooser both come here.
void ApplyTankKeys(Tank& tank, uint32_t held);

// The shot the tank fires now: its heading and position as they stand.
Shot ShotLeaving(const Tank& tank);

// Shot flight and the hit tests of the rules (rules.cpp), shared with
// the computer player's foresight.
// Flies an active shot one step (9 pixels along its heading).
void MoveShot(Shot& shot);
// Frees the slot of a shot that has left the arena.
void ExpireShot(Shot& shot);
bool ShotHitsBird(const Shot& shot);
bool ShotHitsTank(const Shot& shot, const Tank& tank);
bool TankOnBird(const Tank& tank);

// A speed strictly between -0.2 and 0.2 becomes exactly 0.0.
void ApplyDeadZone(Tank& tank);
// Brings a heading that left 0..359 by one turning step back into it.
void WrapHeading(Tank& tank);
// Moves the tank by its speed along its heading.
void MoveTank(Tank& tank);
// Keeps the tank's 48 x 48 picture inside the walls; speed and heading stay.
void ClampPosition(Tank& tank);

}  // namespace game
