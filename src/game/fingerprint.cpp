// The rules fingerprint: a fixed key script played through the rules alone, every
// step's state and result hashed, so that any change to how the rules play out
// changes the name. Two builds with the same fingerprint play the same matches.
#include "game/fingerprint.h"

#include <bit>
#include <cstdio>

#include "game/fingerprint_play.h"
#include "game/key_source.h"

namespace game {
namespace {

// Long enough that the script meets every way a match ends (the tests check it)
// and tanks in contact, short enough to take about a millisecond.
constexpr int FINGERPRINT_STEPS = 2000;

void HashShot(RulesHasher& hasher, const Shot& shot) {
  hasher.Add(std::bit_cast<uint64_t>(shot.x));
  hasher.Add(std::bit_cast<uint64_t>(shot.y));
  hasher.Add(static_cast<uint32_t>(shot.heading) | uint64_t{shot.active} << 32);
}

void HashResult(RulesHasher& hasher, const StepResult& result) {
  hasher.Add(static_cast<uint32_t>(result.flownCount) |
             uint64_t{static_cast<uint32_t>(result.slotsWalked)} << 32);
  HashShot(hasher, result.greenFired);
  HashShot(hasher, result.blueFired);
  if (result.outcome == nullptr) {
    hasher.Add(0);
    return;
  }
  hasher.Add(static_cast<uint32_t>(result.outcome->winner) |
             uint64_t{static_cast<uint8_t>(result.outcome->how)} << 32);
  for (char c : result.outcome->message) hasher.Add(static_cast<uint8_t>(c));
}

}  // namespace

void HashMatchState(RulesHasher& hasher, const MatchState& state) {
  for (const Tank* tank : {&state.green, &state.blue}) {
    hasher.Add(std::bit_cast<uint64_t>(tank->x));
    hasher.Add(std::bit_cast<uint64_t>(tank->y));
    hasher.Add(std::bit_cast<uint64_t>(tank->speed));
    hasher.Add(static_cast<uint32_t>(tank->heading) | uint64_t{tank->animation} << 32);
    for (const Shot& shot : tank->shots) HashShot(hasher, shot);
  }
}

FingerprintPlay PlayFingerprintMatches(RulesStepFunction step) {
  MatchState state;
  ResetMatch(state);
  RandomTankKeys keys(26u, 24);
  RulesHasher hasher;
  FingerprintPlay play;
  for (int i = 0; i < FINGERPRINT_STEPS; ++i) {
    const uint32_t greenKeys = keys.Next(0);
    const StepResult result = step(state, greenKeys, keys.Next(1));
    HashMatchState(hasher, state);
    HashResult(hasher, result);
    if (result.outcome == nullptr) continue;
    play.endingsSeen |=
        1u << ((result.outcome->winner - 1) * 3 + static_cast<int>(result.outcome->how));
    ResetMatch(state);
  }
  play.hash = hasher.value;
  return play;
}

std::string RulesFingerprint() {
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx",
                static_cast<unsigned long long>(PlayFingerprintMatches(RulesStep).hash));
  return digits;
}

}  // namespace game
