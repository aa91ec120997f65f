// Tanks and shots carried forward by the frame step's own functions.
#include "game/computer/foresight.h"

#include "game/controls.h"
#include "game/key_source.h"

namespace game::computer {
namespace {

// No shot lives longer: the arena is under 560 pixels across at 9 per step.
constexpr int LONGEST_FLIGHT = 100;

int HeadingChange(const Tank& before, const Tank& after) {
  int change = after.heading - before.heading;
  if (change > 180) change -= 360;
  if (change < -180) change += 360;
  return change;
}

}  // namespace

void StepTank(Tank& tank, uint32_t keys) {
  ApplyTankKeys(tank, keys & (TANK_LEFT | TANK_RIGHT | TANK_ACCELERATE | TANK_BRAKE));
  ApplyDeadZone(tank);
  WrapHeading(tank);
  MoveTank(tank);
  ClampPosition(tank);
}

uint32_t KeysSeen(const Tank& before, const Tank& after) {
  uint32_t keys = 0;
  const int turn = HeadingChange(before, after);
  if (turn > 0) keys |= TANK_LEFT;
  if (turn < 0) keys |= TANK_RIGHT;
  if (after.speed > before.speed) keys |= TANK_ACCELERATE;
  if (after.speed < before.speed) keys |= TANK_BRAKE;
  return keys;
}

void StepShot(Shot& shot) {
  if (shot.active != 1) return;
  MoveShot(shot);
  ExpireShot(shot);
}

ShotFate FollowShot(Shot shot, Tank target, uint32_t targetKeys, double dx, double dy) {
  for (int frame = 1; frame <= LONGEST_FLIGHT; ++frame) {
    StepTank(target, targetKeys);
    StepShot(shot);
    if (shot.active != 1) return {ShotEnd::Expires, frame};
    if (ShotHitsBird(shot)) return {ShotEnd::HitsBird, frame};
    Tank aimedAt = target;
    aimedAt.x += dx;
    aimedAt.y += dy;
    if (ShotHitsTank(shot, aimedAt)) return {ShotEnd::HitsTarget, frame};
  }
  return {ShotEnd::Expires, LONGEST_FLIGHT};
}

bool ShotPathHitsBird(Shot shot) {
  for (int frame = 1; frame <= LONGEST_FLIGHT && shot.active == 1; ++frame) {
    StepShot(shot);
    if (ShotHitsBird(shot)) return true;
  }
  return false;
}

}  // namespace game::computer
