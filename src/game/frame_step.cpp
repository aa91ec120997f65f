// The frame step: controls and motion (controls.cpp), then animation, drawing,
// shot flight, the hit tests and the end of a match.
#include "game/frame_step.h"

#include <string_view>

#include "clock/frame_clock.h"
#include "display/blit.h"
#include "display/screen.h"
#include "display/sleep.h"
#include "game/controls.h"
#include "game/key_source.h"
#include "game/match_over.h"
#include "game/match_state.h"
#include "game/observer.h"
#include "game/sound_cues.h"
#include "transform/rotate_sprite.h"

namespace game {
namespace {

constexpr uint8_t ANIMATION_WRAP = 255;
constexpr int32_t BLOCK_STEP = 32;
constexpr int32_t LAST_COLUMN = 639;
constexpr int32_t BOTTOM_WALL_ROW = 447;
constexpr int32_t RIGHT_WALL_COLUMN = 607;
constexpr double BIRD_X = 304.0;
constexpr double BIRD_Y = 224.0;
constexpr double TANK_BOX_OFFSET = 8.0;
constexpr int32_t BOX_SIZE = 32;  // tank and bird boxes
constexpr int32_t SHOT_BOX_SIZE = 5;
constexpr long double SHOT_STEP = 9.0;
constexpr int32_t PAUSE_AFTER_MATCH_MS = 1000;
constexpr int32_t CLOCK_PERIOD_MS = 35;

// The six ways a match ends; `how` is what the sound is told (the tank shot is
// always the loser).
struct Outcome {
  std::string_view message;
  Winner winner;
  audio::MatchEnd how;
};
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

void Blit(double x, double y, const display::Image* image, const display::Putter& putter,
          int32_t mode) {
  display::PutImage(nullptr, static_cast<float>(x), static_cast<float>(y), image,
                    display::ARG_DEFAULT, 0, 0, 0, 0, mode, putter);
}
void BlitOpaque(double x, double y, const display::Image* image) {
  Blit(x, y, image, display::PutOpaque, 1);
}
void BlitTransparent(double x, double y, const display::Image* image) {
  Blit(x, y, image, display::PutTransparent, 0);
}

// Counts the animation on while the tank moves and turns the frame it selects.
void AnimateTank(Tank& tank) {
  if (tank.speed != 0.0) ++tank.animation;
  if (tank.animation == ANIMATION_WRAP) tank.animation = 0;
  const display::Image* frame = tank.animation % 2 == 0 ? tank.frameA : tank.frameB;
  transform::RotateSprite(tank.turned, frame, tank.heading);
}

// The bottom row stands at 447 and the right column at 607, so column 639 and
// row 479 of the screen stay uncovered.
void DrawWalls(const display::Image* block) {
  for (int32_t x = 0; x <= LAST_COLUMN; x += BLOCK_STEP) {
    BlitOpaque(x, 0, block);
    BlitOpaque(x, BOTTOM_WALL_ROW, block);
  }
  for (int32_t y = BLOCK_STEP; y <= BOTTOM_WALL_ROW; y += BLOCK_STEP) {
    BlitOpaque(0, y, block);
    BlitOpaque(RIGHT_WALL_COLUMN, y, block);
  }
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

// Flies an active shot one step, draws it there and expires it when it has left
// the arena; a shot is drawn once at the position where it expires.
void FlyShot(Shot& shot, const display::Image* bullet) {
  if (shot.active != 1) return;
  MoveShot(shot);
  BlitTransparent(shot.x, shot.y, bullet);
  ExpireShot(shot);
}

bool TanksTouch(const Tank& a, const Tank& b) {
  return BoxesOverlap(a.x + TANK_BOX_OFFSET, a.y + TANK_BOX_OFFSET, BOX_SIZE, BOX_SIZE,
                      b.x + TANK_BOX_OFFSET, b.y + TANK_BOX_OFFSET, BOX_SIZE, BOX_SIZE) == 1;
}

// Flies shot slots 0..12 of both tanks, testing each index right after it has
// flown. Returns the outcome of the first hit, or null.
const Outcome* FlyShotsAndTestHits(MatchState& state) {
  for (int i = 0; i < SHOT_SLOTS; ++i) {
    Shot& green = state.green.shots[i];
    Shot& blue = state.blue.shots[i];
    FlyShot(green, state.bullet);
    FlyShot(blue, state.bullet);
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

void ReportFrameStep(const MatchState& state, uint32_t keysHeld) {
  const Observer* observer = CurrentObserver();
  if (observer != nullptr && observer->frameStepEnded != nullptr) {
    observer->frameStepEnded(state, keysHeld);
  }
}

// Runs on the deciding frame step's worker with the screen still locked: the
// match-over screen presents itself and releases the lock.
void EndMatch(MatchState& state, const Outcome& outcome) {
  const Observer* observer = CurrentObserver();
  if (observer != nullptr && observer->matchDecided != nullptr) {
    observer->matchDecided(state, outcome.message, outcome.winner);
  }
  PostMatchEnded(outcome.how, state, outcome.winner == BLUE_WINS);
  frameclock::StopFrameClock();
  const MatchOverChoice choice = ShowMatchOver(outcome.message, outcome.winner);
  display::SleepMs(PAUSE_AFTER_MATCH_MS);
  if (choice == MatchOverChoice::Leave) {
    if (observer != nullptr && observer->programEnding != nullptr) observer->programEnding(0);
    // The images are left to the end of the process.
    display::EndProgram(0);
  }
  ResetMatch(state);
  NotifyNewMatch();
  PostMatchStarted();
  if (observer != nullptr && observer->newMatch != nullptr) observer->newMatch(state);
  frameclock::RestartFrameClock(CLOCK_PERIOD_MS);
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

void FrameStep() {
  MatchState& state = Match();
  display::LockScreen();
  display::ClearScreen(display::ARG_DEFAULT);

  // Both tanks' keys are chosen on the state the last frame showed, then act.
  const FreeSlots freeSlots = FreeShotSlots(state);
  const uint32_t greenKeys = HeldTankKeys(TankSide::Green, state);
  const uint32_t blueKeys = HeldTankKeys(TankSide::Blue, state);
  ApplyTankKeys(state.green, greenKeys);
  ApplyTankKeys(state.blue, blueKeys);
  const uint32_t keysHeld = greenKeys | blueKeys << 5;
  PostShotsFired(state, freeSlots);
  ApplyDeadZone(state.green);
  ApplyDeadZone(state.blue);
  WrapHeading(state.green);
  WrapHeading(state.blue);
  MoveTank(state.green);
  MoveTank(state.blue);
  ClampPosition(state.green);
  ClampPosition(state.blue);

  AnimateTank(state.green);
  AnimateTank(state.blue);
  DrawWalls(state.block);
  BlitTransparent(BIRD_X, BIRD_Y, state.bird);
  BlitTransparent(state.green.x, state.green.y, state.green.turned);
  BlitTransparent(state.blue.x, state.blue.y, state.blue.turned);

  const Outcome* outcome = FlyShotsAndTestHits(state);
  if (outcome == nullptr) outcome = TestRunOvers(state);
  PostFrameSounds(state);
  if (outcome != nullptr) {
    ReportFrameStep(state, keysHeld);
    EndMatch(state, *outcome);
    return;
  }
  display::UnlockScreen(-1, -1);
  ReportFrameStep(state, keysHeld);
}

}  // namespace game
