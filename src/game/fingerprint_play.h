// Internal to the game library and its tests: the scripted play that
// RulesFingerprint hashes, and the hash of a match state bit for bit.
//
//   const game::FingerprintPlay play = game::PlayFingerprintMatches(game::RulesStep);
#pragma once
#include <cstdint>

#include "game/match_state.h"
#include "game/rules.h"

namespace game {

// FNV-1a over 64-bit words.
struct RulesHasher {
  uint64_t value = 0xCBF29CE484222325ull;
  void Add(uint64_t word) { value = (value ^ word) * 0x100000001B3ull; }
};

// Both tanks' numbers and every shot slot: the doubles' bits, headings,
// animation counters and active flags. The images are presentation and left out.
void HashMatchState(RulesHasher& hasher, const MatchState& state);

struct FingerprintPlay {
  uint64_t hash = 0;
  uint32_t endingsSeen = 0;  // bit (winner - 1) * 3 + how for each way a match ended
};

using RulesStepFunction = StepResult (*)(MatchState& state, uint32_t greenKeys, uint32_t blueKeys);

// Plays the fixed key script through `step` from the start values, a new match
// after each decided one, hashing every step's state and result.
FingerprintPlay PlayFingerprintMatches(RulesStepFunction step);

}  // namespace game
