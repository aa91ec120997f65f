// Controls and motion of one tank: what a frame step does before it draws.
//
// Angles, sines, products and sums are formed in long double (the x87 extended
// format) and rounded only when stored into a double field, as the game's
// numbers have always been computed; the motion angle itself is stored as a double
// before its sine and cosine are taken.
#include "game/controls.h"

#include <array>
#include <cmath>

namespace game {
namespace {

constexpr int32_t TURN_STEP = 3;
constexpr long double ACCELERATION = 0.3;  // the double 0.3, widened
constexpr double TOP_SPEED_TEST = 3.0;
constexpr long double BRAKING = -0.3;
constexpr double DEAD_ZONE = 0.2;
constexpr long double SPAWN_OFFSET = 20.0;
constexpr long double SPAWN_DISTANCE = 18.0;

// A frame step needs up to 56 sines and cosines, and long double ones are slow
// (each reduces its argument in software); headings are whole degrees in a small
// range, so each value is computed once, by the same expression, and looked up.
constexpr int32_t LOWEST_HEADING = -3;
constexpr int32_t HIGHEST_HEADING = 362;
constexpr size_t TABLE_SIZE = HIGHEST_HEADING - LOWEST_HEADING + 1;

Direction DirectionOf(long double angle) { return {std::sin(angle), std::cos(angle)}; }

struct DirectionTables {
  std::array<Direction, TABLE_SIZE> shot;
  std::array<Direction, TABLE_SIZE> motion;
  DirectionTables() {
    for (size_t i = 0; i < TABLE_SIZE; ++i) {
      const int32_t heading = LOWEST_HEADING + static_cast<int32_t>(i);
      shot[i] = DirectionOf(Radians(heading));
      motion[i] = DirectionOf(static_cast<double>(Radians(heading)));
    }
  }
};

const DirectionTables& Tables() {
  static const DirectionTables tables;
  return tables;
}

bool InTable(int32_t heading) {
  return heading >= LOWEST_HEADING && heading <= HIGHEST_HEADING;
}

// Fills the first free slot, if any, with a shot leaving the tank's muzzle. The
// heading is the tank's before the wrap, the position the tank's before it moves.
void Fire(Tank& tank) {
  for (Shot& shot : tank.shots) {
    if (shot.active != 0) continue;
    shot = ShotLeaving(tank);
    return;
  }
}

}  // namespace

Direction ShotDirection(int32_t heading) {
  if (!InTable(heading)) return DirectionOf(Radians(heading));
  return Tables().shot[heading - LOWEST_HEADING];
}

Direction MotionDirection(int32_t heading) {
  if (!InTable(heading)) return DirectionOf(static_cast<double>(Radians(heading)));
  return Tables().motion[heading - LOWEST_HEADING];
}

Shot ShotLeaving(const Tank& tank) {
  Shot shot;
  shot.heading = tank.heading;
  const Direction d = ShotDirection(shot.heading);
  shot.x = static_cast<double>(SPAWN_OFFSET + tank.x - d.sine * SPAWN_DISTANCE);
  shot.y = static_cast<double>(SPAWN_OFFSET + tank.y - d.cosine * SPAWN_DISTANCE);
  shot.active = 1;
  return shot;
}

void ApplyTankKeys(Tank& tank, uint32_t held) {
  if ((held & (1u << 0)) != 0) tank.heading += TURN_STEP;
  if ((held & (1u << 1)) != 0) tank.heading -= TURN_STEP;
  if ((held & (1u << 2)) != 0 && tank.speed < TOP_SPEED_TEST) {
    tank.speed = static_cast<double>(ACCELERATION + tank.speed);
  }
  if ((held & (1u << 3)) != 0 && tank.speed > 0.0) {
    tank.speed = static_cast<double>(BRAKING + tank.speed);
  }
  if ((held & (1u << 4)) != 0) Fire(tank);
}

void ApplyDeadZone(Tank& tank) {
  if (tank.speed < DEAD_ZONE && tank.speed > -DEAD_ZONE) tank.speed = 0.0;
}

void WrapHeading(Tank& tank) {
  if (tank.heading > 359) tank.heading -= 360;
  if (tank.heading < 0) tank.heading += 360;
}

void MoveTank(Tank& tank) {
  const Direction d = MotionDirection(tank.heading);
  tank.x = static_cast<double>(tank.x - d.sine * tank.speed);
  tank.y = static_cast<double>(tank.y - d.cosine * tank.speed);
}

void ClampPosition(Tank& tank) {
  if (tank.x > 559.0) tank.x = 559.0;
  if (tank.x < 32.0) tank.x = 32.0;
  if (tank.y > 399.0) tank.y = 399.0;
  if (tank.y < 32.0) tank.y = 32.0;
}

}  // namespace game
