// The frame step: the keys, the rules (rules.cpp), then the drawing of what they
// report (draw_arena.cpp), the sounds, the observer and the end of a match.
#include "game/frame_step.h"

#include "clock/frame_clock.h"
#include "display/screen.h"
#include "display/sleep.h"
#include "game/draw_arena.h"
#include "game/key_source.h"
#include "game/match_over.h"
#include "game/match_state.h"
#include "game/observer.h"
#include "game/rules.h"
#include "game/sound_cues.h"

namespace game {
namespace {

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
  frameclock::RestartFrameClock(FRAME_STEP_MS);
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
