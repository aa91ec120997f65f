// Where the game meets the sound: the frame step and the match's start and end
// post events to audio's queue, and that is all. Nothing here waits, locks or
// allocates, and nothing changes the match.
//
//   const game::StepResult result = game::RulesStep(state, greenKeys, blueKeys);
//   game::PostShotsFired(result);
//   ... drawing ...
//   game::PostFrameSounds(state);   // engines and M
//
// Like the frame step, these run on one thread at a time.
#pragma once
#include <cstdint>

#include "audio/events.h"
#include "game/match_state.h"
#include "game/rules.h"

namespace game {

// Scan code of M, which toggles the sound; no tank reads it.
inline constexpr int32_t KEY_MUTE = 50;

// Posts one "shot fired" for each tank that fired in the step, where it fired.
void PostShotsFired(const StepResult& result);

// Posts an engine change for each tank whose speed or place changed since the
// last one posted, and a mute toggle when M has just gone down.
void PostFrameSounds(const MatchState& state);

// Posts the end of the match: how it ended and where (the tank destroyed, or the bird).
void PostMatchEnded(audio::MatchEnd how, const MatchState& state, bool greenWasHit);

// Posts the start of a new match and forgets the engines' last posted values.
void PostMatchStarted();

// Where a tank stands across the arena: -1 at the left wall, +1 at the right.
float PanOf(const Tank& tank);

// Opens the sound output (muted if asked); without a device the game stays silent.
void StartSound(bool muted);

}  // namespace game
