// Where the game keeps the replays of its sessions: one file per session in
// $XDG_STATE_HOME/brazdovar/replays/ (~/.local/state/brazdovar/replays/ without
// it), named by the local date and time the session began, the newest 50 kept.
//
//   std::string path = game::replay::NewReplayPath(std::time(nullptr));
//   game::replay::PruneReplays(folder, game::replay::KEPT_REPLAYS);
#pragma once
#include <ctime>
#include <string>

namespace game::replay {

inline constexpr size_t KEPT_REPLAYS = 50;

// The replays folder from the environment; empty when neither XDG_STATE_HOME nor
// HOME says where.
std::string ReplayFolder();

// "2026-12-07_18-30-05.replay" in the folder for a session begun at `began`; a
// "-2", "-3" ... before the suffix when that name is taken already.
std::string NewReplayPath(const std::string& folder, std::time_t began);

// Removes the oldest replay files (by name, which sorts by time) so that at most
// `keep` are left. Other files in the folder are left alone.
void PruneReplays(const std::string& folder, size_t keep);

// The local time as ISO 8601 with its UTC offset: "2026-12-07T18:30:05+0100".
std::string IsoTime(std::time_t when);

}  // namespace game::replay
