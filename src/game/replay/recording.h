// The game window's recording: every match of the session kept in memory and
// written to its replay file at each match end and when the program ends.
//
//   game::replay::StartRecording("", computers);   // the replays folder, newest 50 kept
//   game::replay::StartRecording("my.replay", {}); // that file instead
//
// Installs the game observer; call before the frame clock runs. A file that
// cannot be written is said once on standard error, and the game plays on.
#pragma once
#include <string>
#include <vector>

#include "game/replay/replay_format.h"

namespace game::replay {

void StartRecording(const std::string& path, std::vector<Computer> computers);

}  // namespace game::replay
