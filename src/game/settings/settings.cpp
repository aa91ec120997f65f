// The built-in keys and the names the files use.
#include "game/settings/settings.h"

namespace game::settings {

std::array<std::array<Value<std::vector<int32_t>>, ACTION_COUNT>, 2> Settings::DefaultKeys() {
  std::array<std::array<Value<std::vector<int32_t>>, ACTION_COUNT>, 2> keys;
  for (int tank = 0; tank < 2; ++tank) {
    const TankBindings defaults = DefaultBindings(tank == 0 ? TankSide::Green : TankSide::Blue);
    for (int action = 0; action < ACTION_COUNT; ++action) {
      keys[size_t(tank)][size_t(action)].value = defaults[size_t(action)];
    }
  }
  return keys;
}

const char* TankName(int tank) { return tank == 0 ? "green" : "blue"; }

const char* ActionName(int action) {
  static constexpr const char* NAMES[ACTION_COUNT] = {"left", "right", "accelerate", "brake",
                                                      "fire"};
  return NAMES[action];
}

}  // namespace game::settings
