// The frame step's rules: controls and motion (controls.cpp), then the animation
// counters, shot flight, the hit tests and the decision.
#include "game/rules.h"

#include "game/controls.h"

namespace game {
namespace {

constexpr uint8_t ANIMATION_WRAP = 255;
constexpr double TANK_BOX_OFFSET = 8.0;
constexpr int32_t BOX_SIZE = 32;  // tank and bird boxes
constexpr int32_t SHOT_BOX_SIZE = 5;
constexpr long double SHOT_STEP = 9.0;

constexpr Outcome GREEN_SHOT_BIRD = {"Zeleni tenk je ubio pticu. Plavi je pobedio.", BLUE_WINS,
                                     audio::MatchEnd::BirdShot};
constexpr Outcome BLUE_SHOT_BIRD = {"Plavi tenk je ubio pticu. Zeleni je pobedio.", GREEN_WINS,
                                    audio::MatchEnd::BirdShot};
constexpr Outcome GREEN_SHOT_BLUE = {"Zeleni tenk je ubio plavog. Zeleni je pobedio.", GREEN_WINS,
                                     audio::MatchEnd::TankShot};
constexpr Outcome BLUE_SHOT_GREEN = {"Plavi tenk je ubio zelenog. Plavi je pobedio.", BLUE_WINS,
                                     audio::MatchEnd::TankShot};
constexpr Outcome GREEN_RAN_OVER_BIRD = {"Zeleni tenk je pregazio pticu. Plavi je pobedio.",
                                         BLUE_WINS, audio::MatchEnd::BirdRunOver};
constexpr Outcome BLUE_RAN_OVER_BIRD = {"Plavi tenk je pregazio pticu. Zeleni je pobedio.",
                                        GREEN_WINS, audio::MatchEnd::BirdRunOver};

// Acts on the tank's keys and returns the shot they fired (active 0 when none):
// firing fills the first slot that was free before the keys.
Shot ApplyKeysAndTakeFired(Tank& tank, uint32_t keys) {
  int firstFree = 0;
  while (firstFree < SHOT_SLOTS && tank.shots[firstFree].active != 0) ++firstFree;
  ApplyTankKeys(tank, keys);
  if (firstFree == SHOT_SLOTS || tank.shots[firstFree].active != 1) return Shot{};
  return tank.shots[firstFree];
}

// The animation counts on while the tank moves; its parity picks the frame drawn.
void CountAnimation(Tank& tank) {
  if (tank.speed != 0.0) ++tank.animation;
  if (tank.animation == ANIMATION_WRAP) tank.animation = 0;
}

}  // namespace

void MoveShot(Shot& shot) {
  const Direction d = ShotDirection(shot.heading);
  shot.x = static_cast<double>(shot.x - d.sine * SHOT_STEP);
  shot.y = static_cast<double>(shot.y - d.cosine * SHOT_STEP);
}

void ExpireShot(Shot& shot) {
  if (shot.x <= 38.0) shot.active = 0;
  if (shot.x >= 595.0) shot.active = 0;
  if (shot.y <= 38.0) shot.active = 0;
  if (shot.y >= 435.0) shot.active = 0;
}

// The box tests use the slot's stored position whether or not it flies; only
// the active flag decides.
bool ShotHitsBird(const Shot& shot) {
  return BoxesOverlap(shot.x, shot.y, SHOT_BOX_SIZE, SHOT_BOX_SIZE, BIRD_X, BIRD_Y, BOX_SIZE,
                      BOX_SIZE) == 1 &&
         shot.active == 1;
}
bool ShotHitsTank(const Shot& shot, const Tank& tank) {
  return BoxesOverlap(shot.x, shot.y, SHOT_BOX_SIZE, SHOT_BOX_SIZE, tank.x + TANK_BOX_OFFSET,
                      tank.y + TANK_BOX_OFFSET, BOX_SIZE, BOX_SIZE) == 1 &&
         shot.active == 1;
}
bool TankOnBird(const Tank& tank) {
  return BoxesOverlap(tank.x + TANK_BOX_OFFSET, tank.y + TANK_BOX_OFFSET, BOX_SIZE, BOX_SIZE,
                      BIRD_X, BIRD_Y, BOX_SIZE, BOX_SIZE) == 1;
}

namespace {

// Flies an active shot one step, lists it for drawing there and expires it when
// it has left the arena; a shot is drawn once at the position where it expires.
void FlyShot(Shot& shot, StepResult& result) {
  if (shot.active != 1) return;
  MoveShot(shot);
  result.flown[result.flownCount++] = {shot.x, shot.y};
  ExpireShot(shot);
}

bool TanksTouch(const Tank& a, const Tank& b) {
  return BoxesOverlap(a.x + TANK_BOX_OFFSET, a.y + TANK_BOX_OFFSET, BOX_SIZE, BOX_SIZE,
                      b.x + TANK_BOX_OFFSET, b.y + TANK_BOX_OFFSET, BOX_SIZE, BOX_SIZE) == 1;
}

// Flies shot slots 0..12 of both tanks, testing each index right after it has
// flown. Returns the outcome of the first hit, or null.
const Outcome* FlyShotsAndTestHits(MatchState& state, StepResult& result) {
  for (int i = 0; i < SHOT_SLOTS; ++i) {
    Shot& green = state.green.shots[i];
    Shot& blue = state.blue.shots[i];
    FlyShot(green, result);
    FlyShot(blue, result);
    result.slotsWalked = i + 1;
    if (ShotHitsBird(green)) return &GREEN_SHOT_BIRD;
    if (ShotHitsBird(blue)) return &BLUE_SHOT_BIRD;
    if (ShotHitsTank(green, state.blue)) return &GREEN_SHOT_BLUE;
    if (ShotHitsTank(blue, state.green)) return &BLUE_SHOT_GREEN;
  }
  return nullptr;
}

// Run-overs end the match; tanks in contact lose their speed and play on.
const Outcome* TestRunOvers(MatchState& state) {
  if (TankOnBird(state.green)) return &GREEN_RAN_OVER_BIRD;
  if (TankOnBird(state.blue)) return &BLUE_RAN_OVER_BIRD;
  if (TanksTouch(state.green, state.blue)) {
    state.green.speed = 0.0;
    state.blue.speed = 0.0;
  }
  return nullptr;
}

}  // namespace

int32_t BoxesOverlap(double x1, double y1, int32_t w1, int32_t h1, double x2, double y2,
                     int32_t w2, int32_t h2) {
  const long double left1 = x1, top1 = y1, left2 = x2, top2 = y2;
  return (left1 + w1 >= left2 && left1 <= left2 + w2 && top1 + h1 >= top2 &&
          top1 <= top2 + h2)
             ? 1
             : 0;
}

StepResult RulesStep(MatchState& state, uint32_t greenKeys, uint32_t blueKeys) {
  StepResult result;
  result.greenFired = ApplyKeysAndTakeFired(state.green, greenKeys);
  result.blueFired = ApplyKeysAndTakeFired(state.blue, blueKeys);
  ApplyDeadZone(state.green);
  ApplyDeadZone(state.blue);
  WrapHeading(state.green);
  WrapHeading(state.blue);
  MoveTank(state.green);
  MoveTank(state.blue);
  ClampPosition(state.green);
  ClampPosition(state.blue);
  CountAnimation(state.green);
  CountAnimation(state.blue);

  result.outcome = FlyShotsAndTestHits(state, result);
  if (result.outcome == nullptr) result.outcome = TestRunOvers(state);
  return result;
}

}  // namespace game
