// The two tanks' key bindings and their reading from the key table.
#include "game/key_bindings.h"

#include "display/keys.h"
#include "game/controls.h"

namespace game {
namespace {

TankBindings FromKeys(const TankKeys& keys) {
  return {{{keys.left}, {keys.right}, {keys.accelerate}, {keys.brake}, {keys.fire}}};
}

TankBindings bindings[2] = {FromKeys(GREEN_KEYS), FromKeys(BLUE_KEYS)};

int IndexOf(TankSide side) { return side == TankSide::Green ? 0 : 1; }

}  // namespace

TankBindings DefaultBindings(TankSide side) {
  return FromKeys(side == TankSide::Green ? GREEN_KEYS : BLUE_KEYS);
}

void SetKeyBindings(TankSide side, const TankBindings& keys) { bindings[IndexOf(side)] = keys; }

const TankBindings& KeyBindings(TankSide side) { return bindings[IndexOf(side)]; }

uint32_t ReadBoundKeys(TankSide side) {
  const TankBindings& keys = bindings[IndexOf(side)];
  uint32_t held = 0;
  for (int action = 0; action < ACTION_COUNT; ++action) {
    for (const int32_t code : keys[action]) {
      if (display::IsKeyDown(code) == 0) continue;
      held |= 1u << action;
      break;
    }
  }
  return held;
}

}  // namespace game
