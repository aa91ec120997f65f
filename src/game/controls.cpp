// Controls and motion of one tank: what a frame step does before it draws.
//
// Angles, sines, products and sums are formed in long double (the x87 extended
// format) and rounded only when stored into a double field, as the game's
// numbers have always been computed; the motion angle itself is stored as a double.
#include "game/controls.h"

#include <cmath>

#include "display/keys.h"

namespace game {
namespace {

constexpr int32_t TURN_STEP = 3;
constexpr long double ACCELERATION = 0.3;  // the double 0.3, widened
constexpr double TOP_SPEED_TEST = 3.0;
constexpr long double BRAKING = -0.3;
constexpr double DEAD_ZONE = 0.2;
constexpr long double SPAWN_OFFSET = 20.0;
constexpr long double SPAWN_DISTANCE = 18.0;

bool Held(int32_t scanCode) { return display::IsKeyDown(scanCode) != 0; }

// Fills the first free slot, if any, with a shot leaving the tank's muzzle. The
// heading is the tank's before the wrap, the position the tank's before it moves.
void Fire(Tank& tank) {
  for (Shot& shot : tank.shots) {
    if (shot.active != 0) continue;
    shot.heading = tank.heading;
    const long double a = Radians(shot.heading);
    shot.x = static_cast<double>(SPAWN_OFFSET + tank.x - std::sin(a) * SPAWN_DISTANCE);
    shot.y = static_cast<double>(SPAWN_OFFSET + tank.y - std::cos(a) * SPAWN_DISTANCE);
    shot.active = 1;
    return;
  }
}

}  // namespace

uint32_t HandleTankKeys(Tank& tank, const TankKeys& keys) {
  uint32_t held = 0;
  if (Held(keys.left)) {
    held |= 1u << 0;
    tank.heading += TURN_STEP;
  }
  if (Held(keys.right)) {
    held |= 1u << 1;
    tank.heading -= TURN_STEP;
  }
  if (Held(keys.accelerate)) {
    held |= 1u << 2;
    if (tank.speed < TOP_SPEED_TEST) tank.speed = static_cast<double>(ACCELERATION + tank.speed);
  }
  if (Held(keys.brake)) {
    held |= 1u << 3;
    if (tank.speed > 0.0) tank.speed = static_cast<double>(BRAKING + tank.speed);
  }
  if (Held(keys.fire)) {
    held |= 1u << 4;
    Fire(tank);
  }
  return held;
}

void ApplyDeadZone(Tank& tank) {
  if (tank.speed < DEAD_ZONE && tank.speed > -DEAD_ZONE) tank.speed = 0.0;
}

void WrapHeading(Tank& tank) {
  if (tank.heading > 359) tank.heading -= 360;
  if (tank.heading < 0) tank.heading += 360;
}

void MoveTank(Tank& tank) {
  const double a = static_cast<double>(Radians(tank.heading));
  const long double angle = a;
  tank.x = static_cast<double>(tank.x - std::sin(angle) * tank.speed);
  tank.y = static_cast<double>(tank.y - std::cos(angle) * tank.speed);
}

void ClampPosition(Tank& tank) {
  if (tank.x > 559.0) tank.x = 559.0;
  if (tank.x < 32.0) tank.x = 32.0;
  if (tank.y > 399.0) tank.y = 399.0;
  if (tank.y < 32.0) tank.y = 32.0;
}

}  // namespace game
