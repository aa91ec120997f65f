// Watching a replay in the game window: the frame clock runs WatchStep instead
// of the frame step, which plays the recorded frame steps at their own pace.
//
//   game::replay::WatchReplay(&keys);          // keys installed for both tanks
//   game::RunProgram(game::replay::WatchStep);
//
// Space pauses and resumes (the page stays as it is), the Right arrow held plays
// four frame steps per tick, Esc leaves. The match-over screen answers Space and
// Esc as ever; a Space still held from it does not pause. When the file's frame
// steps run out the program leaves with status 0.
#pragma once
#include "game/replay/replay_keys.h"

namespace game::replay {

// The replay being watched; it must outlive the game.
void WatchReplay(const ReplayKeys* keys);

void WatchStep();

}  // namespace game::replay
