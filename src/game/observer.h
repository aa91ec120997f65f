// An optional observer of the game, for tools that record matches (brazdovar-sim)
// and for tests. The game program sets one that saves its state at exit
// (game/settings/game_settings.h).
//
//   game::Observer observer;
//   observer.frameStepEnded = [](const game::MatchState& s, uint32_t keys) { ... };
//   game::SetObserver(&observer);   // the record must outlive the game
//   game::AddObserver(&another);    // both are told, in that order
//
// Every callback may be null. They run on the thread of the frame step (or of
// start-up for programEnding) and must not draw or change the state.
#pragma once
#include <cstdint>
#include <string_view>

#include "game/match_state.h"

namespace game {

// Bits of `keysHeld`: the ten control keys in the order a frame step reads them.
enum HeldKey : uint32_t {
  HELD_LEFT = 1u << 0,
  HELD_RIGHT = 1u << 1,
  HELD_UP = 1u << 2,
  HELD_DOWN = 1u << 3,
  HELD_CTRL = 1u << 4,
  HELD_D = 1u << 5,
  HELD_G = 1u << 6,
  HELD_R = 1u << 7,
  HELD_F = 1u << 8,
  HELD_A = 1u << 9,
};

struct Observer {
  // End of every frame step: after the unlock, or, in a frame step that decides
  // the match, at the decision (before the clock stops). keysHeld: HeldKey bits.
  void (*frameStepEnded)(const MatchState& state, uint32_t keysHeld) = nullptr;
  // A match was decided; state as it stood at the decision.
  void (*matchDecided)(const MatchState& state, std::string_view message, int32_t winner) = nullptr;
  // A new match was set up (after ResetMatch, before the clock restarts).
  void (*newMatch)(const MatchState& state) = nullptr;
  // The game is about to end the program with this status.
  void (*programEnding)(int32_t status) = nullptr;
};

// Installs the observer as the only one (null removes them all). Set observers
// before the frame clock runs.
void SetObserver(const Observer* observer);
// Installs one more observer beside those installed; at most four in all.
void AddObserver(const Observer* observer);

// Call each installed observer's callback, in the order they were installed.
void ReportFrameStepEnded(const MatchState& state, uint32_t keysHeld);
void ReportMatchDecided(const MatchState& state, std::string_view message, int32_t winner);
void ReportNewMatch(const MatchState& state);
void ReportProgramEnding(int32_t status);

}  // namespace game
