// Which keys drive each tank: for each of a tank's five actions, the scan codes
// (display/keys.h) that perform it. Without SetKeyBindings a tank has the keys
// it always had (GREEN_KEYS, BLUE_KEYS).
//
//   game::TankBindings green = game::DefaultBindings(game::TankSide::Green);
//   green[game::ACTION_FIRE] = {28};   // Return
//   game::SetKeyBindings(game::TankSide::Green, green);   // before the clock
//   runs
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "game/key_source.h"

namespace game {

// A tank's actions, in the order of its TankKey bits.
enum TankAction : int { ACTION_LEFT, ACTION_RIGHT, ACTION_ACCELERATE, ACTION_BRAKE, ACTION_FIRE };
inline constexpr int ACTION_COUNT = 5;

// For each action, the scan codes of its keys; any one held performs it.
using TankBindings = std::array<std::vector<int32_t>, ACTION_COUNT>;

TankBindings DefaultBindings(TankSide side);

// Replaces a tank's keys. Set before the frame clock runs.
void SetKeyBindings(TankSide side, const TankBindings& bindings);
const TankBindings& KeyBindings(TankSide side);

// The tank's actions whose keys are held, as TankKey bits.
uint32_t ReadBoundKeys(TankSide side);

}  // namespace game
