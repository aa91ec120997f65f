// The frame step: the keys, the rules (rules.cpp), then the drawing of what they
// report, the sounds, the observer and the end of a match.
#include "game/frame_step.h"

#include "clock/frame_clock.h"
#include "display/blit.h"
#include "display/screen.h"
#include "display/sleep.h"
#include "game/key_source.h"
#include "game/match_over.h"
#include "game/match_state.h"
#include "game/observer.h"
#include "game/rules.h"
#include "game/sound_cues.h"
#include "transform/rotate_sprite.h"

namespace game {
namespace {

constexpr int32_t BLOCK_STEP = 32;
constexpr int32_t LAST_COLUMN = 639;
constexpr int32_t BOTTOM_WALL_ROW = 447;
constexpr int32_t RIGHT_WALL_COLUMN = 607;
constexpr double BIRD_X = 304.0;
constexpr double BIRD_Y = 224.0;
constexpr int32_t PAUSE_AFTER_MATCH_MS = 1000;
constexpr int32_t CLOCK_PERIOD_MS = 35;

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

// Turns the frame the animation counter selects to the tank's heading.
void TurnTank(Tank& tank) {
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

void DrawArena(MatchState& state, const StepResult& result) {
  TurnTank(state.green);
  TurnTank(state.blue);
  DrawWalls(state.block);
  BlitTransparent(BIRD_X, BIRD_Y, state.bird);
  BlitTransparent(state.green.x, state.green.y, state.green.turned);
  BlitTransparent(state.blue.x, state.blue.y, state.blue.turned);
  for (int32_t i = 0; i < result.flownCount; ++i) {
    BlitTransparent(result.flown[i].x, result.flown[i].y, state.bullet);
  }
}

// Runs on the deciding frame step's worker with the screen still locked: the
// match-over screen presents itself and releases the lock.
void EndMatch(MatchState& state, const Outcome& outcome) {
  ReportMatchDecided(state, outcome.message, outcome.winner);
  PostMatchEnded(outcome.how, state, outcome.winner == BLUE_WINS);
  frameclock::StopFrameClock();
  const MatchOverChoice choice = ShowMatchOver(outcome.message, outcome.winner);
  display::SleepMs(PAUSE_AFTER_MATCH_MS);
  if (choice == MatchOverChoice::Leave) {
    ReportProgramEnding(0);
    // The images are left to the end of the process.
    display::EndProgram(0);
  }
  ResetMatch(state);
  NotifyNewMatch();
  PostMatchStarted();
  ReportNewMatch(state);
  frameclock::RestartFrameClock(CLOCK_PERIOD_MS);
}

}  // namespace

void FrameStep() {
  MatchState& state = Match();
  display::LockScreen();
  display::ClearScreen(display::ARG_DEFAULT);

  // Both tanks' keys are chosen on the state the last frame showed, then act.
  const uint32_t greenKeys = HeldTankKeys(TankSide::Green, state);
  const uint32_t blueKeys = HeldTankKeys(TankSide::Blue, state);
  const uint32_t keysHeld = greenKeys | blueKeys << 5;
  const StepResult result = RulesStep(state, greenKeys, blueKeys);
  PostShotsFired(result);
  DrawArena(state, result);
  PostFrameSounds(state);
  if (result.outcome != nullptr) {
    ReportFrameStepEnded(state, keysHeld);
    EndMatch(state, *result.outcome);
    return;
  }
  display::UnlockScreen(-1, -1);
  ReportFrameStepEnded(state, keysHeld);
}

}  // namespace game
