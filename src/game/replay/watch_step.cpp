// The frame routine of a watched replay: pause, fast play and leaving around the
// ordinary frame step.
#include "game/replay/watch_step.h"

#include "display/keys.h"
#include "display/screen.h"
#include "game/frame_step.h"
#include "game/observer.h"
#include "game/sound_cues.h"

namespace game::replay {
namespace {

constexpr int FAST_STEPS = 4;

const ReplayKeys* watched = nullptr;
bool paused = false;
// Space pauses when it goes down; one already down (at the start, or still held
// from the match-over screen) must be let go first.
bool spaceWasDown = true;

bool Down(int32_t key) { return display::IsKeyDown(key) != 0; }

}  // namespace

void WatchReplay(const ReplayKeys* keys) { watched = keys; }

void WatchStep() {
  if (Down(display::KEY_ESC) || !watched->MatchHasFrames()) {
    ReportProgramEnding(0);
    display::EndProgram(0);
  }
  const bool space = Down(display::KEY_SPACE);
  if (space && !spaceWasDown) {
    paused = !paused;
    // A paused picture is still: its engines fall silent, and the next step
    // sets them again.
    if (paused) StopEngines();
  }
  spaceWasDown = space;
  if (paused) return;
  const int steps = Down(display::KEY_RIGHT) ? FAST_STEPS : 1;
  for (int step = 0; step < steps && watched->MatchHasFrames(); ++step) {
    const size_t match = watched->MatchIndex();
    FrameStep();
    if (watched->MatchIndex() != match) {
      spaceWasDown = true;
      return;
    }
  }
}

}  // namespace game::replay
