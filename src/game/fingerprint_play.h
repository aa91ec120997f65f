// Internal to the game library and its tests: the scripted play that
// RulesFingerprint hashes, and the hash of a match state bit for bit.
//
//   const game::FingerprintPlay play = game::PlayFingerprintMatches(game::RulesStep);
#pragma once
#include <cstdint>

#include "game/key_source.h"
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

// Each tank holds a random set of its five keys for a random stretch of 1 to
// `longest` steps, firing in a third of the stretches. A plain linear congruential
// generator: the same keys on every build. The fingerprint's seed and stretch were
// chosen among a few for their sixty matches that end in all six ways and their many
// steps with the tanks in contact.
class RandomTankKeys {
 public:
  RandomTankKeys(uint32_t seed, uint32_t longest) : seed_(seed), longest_(longest) {}
  uint32_t Next(int tank) {
    if (left_[tank] == 0) {
      left_[tank] = 1 + Random() % longest_;
      keys_[tank] = Random() & (TANK_LEFT | TANK_RIGHT | TANK_ACCELERATE | TANK_BRAKE);
      if (Random() % 3 == 0) keys_[tank] |= TANK_FIRE;
    }
    --left_[tank];
    return keys_[tank];
  }

 private:
  uint32_t Random() {
    seed_ = seed_ * 1103515245u + 12345u;
    return seed_ >> 16;
  }
  uint32_t seed_;
  uint32_t longest_;
  uint32_t keys_[2] = {0, 0};
  uint32_t left_[2] = {0, 0};
};

struct FingerprintPlay {
  uint64_t hash = 0;
  uint32_t endingsSeen = 0;  // bit (winner - 1) * 3 + how for each way a match ended
};

using RulesStepFunction = StepResult (*)(MatchState& state, uint32_t greenKeys, uint32_t blueKeys);

// Plays the fixed key script through `step` from the start values, a new match
// after each decided one, hashing every step's state and result.
FingerprintPlay PlayFingerprintMatches(RulesStepFunction step);

}  // namespace game
