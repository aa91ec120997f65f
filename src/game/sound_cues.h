// Where the game meets the sound: the frame step and the match's start and end
// post events to audio's queue and set its levels (engines, muting), and that is all. Nothing here waits, locks or
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

// Sets each tank's engine level to its speed and place, and toggles the muting
// when M has just gone down.
void PostFrameSounds(const MatchState& state);

// How often M has turned the sound off or on since the program started.
uint32_t MuteToggles();

// Posts the end of the match: how it ended and where (the tank destroyed, or the
// bird); both engines stop.
void PostMatchEnded(audio::MatchEnd how, const MatchState& state, bool greenWasHit);

// Posts the start of a new match, with both engines at rest.
void PostMatchStarted();

// Both engines at rest until the next frame step sets them (a paused replay).
void StopEngines();

// Where a tank stands across the arena: -1 at the left wall, +1 at the right.
float PanOf(const Tank& tank);

// Asks for the sound (muted if asked); it starts with StartAskedSound.
void AskForSound(bool muted);

// Starts the sound output if it was asked for. Called once the window shows:
// SDL's video start-up is over then, so SDL is never started on two threads at
// once, and the window never waits for a sound device. Without a device the game
// stays silent.
void StartAskedSound();

}  // namespace game
