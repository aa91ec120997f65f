// The game's settings, each with where it came from: built in, the player's
// settings file, the game's own state file, or the command line.
//
//   game::settings::Settings s;                       // the built-in values
//   game::settings::ReadStateText(text, path, s, problems);
//   game::settings::ReadSettingsText(text, path, s, problems);   // wins over
//   the state
//
// The player's file ($XDG_CONFIG_HOME/brazdovar/settings.toml) is only read;
// the state file ($XDG_STATE_HOME/brazdovar/state.toml) is the game's own,
// written at exit. Both are TOML, with the same names where both speak:
//
//   [sound]    enabled = true, volume = 100 (0..100; settings only)
//   [window]   full_screen = false; width, height (state only)
//   [computer] level = 2 (1..3: what --computer without a level plays; settings
//   only) [online]   input_delay = 2 (frames, 0..10), port = 27455 (settings
//   only);
//              last_host = "" (state only)
//   [keys.green], [keys.blue]  left, right, accelerate, brake, fire = ["key
//   name", ...]
//              (settings only)
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "game/key_bindings.h"
#include "net/transport.h"

namespace game::settings {

inline constexpr const char* BUILT_IN = "default";
inline constexpr const char* COMMAND_LINE = "command line";

// One setting's value and where it came from (BUILT_IN, a file's path,
// COMMAND_LINE).
template <typename T>
struct Value {
  T value;
  std::string from = BUILT_IN;

  void Set(T newValue, std::string source) {
    value = std::move(newValue);
    from = std::move(source);
  }
  bool operator==(const Value&) const = default;
};

// The ranges a file's numbers must be in.
inline constexpr int VOLUME_MAX = 100;
inline constexpr int LEVEL_MIN = 1, LEVEL_MAX = 3;
inline constexpr int INPUT_DELAY_MAX = 10;
inline constexpr int PORT_MIN = 1, PORT_MAX = 65535;
inline constexpr int WINDOW_SIDE_MIN = 64, WINDOW_SIDE_MAX = 16384;

struct Settings {
  Value<bool> soundOn{true};
  Value<int> volume{VOLUME_MAX};
  Value<bool> fullScreen{false};
  Value<int> windowWidth{640};
  Value<int> windowHeight{480};
  Value<int> computerLevel{2};
  Value<int> inputDelay{2};
  Value<int> port{net::DEFAULT_PORT};
  Value<std::string> lastHost{""};
  // Per tank (green, blue) and action, the scan codes of its keys.
  std::array<std::array<Value<std::vector<int32_t>>, ACTION_COUNT>, 2> keys = DefaultKeys();

  static std::array<std::array<Value<std::vector<int32_t>>, ACTION_COUNT>, 2> DefaultKeys();
};

// One line per problem, "<path>:<line>: <what>", for stderr.
using Problems = std::vector<std::string>;

// Applies the player's settings file, given as its text; `path` names it in
// problems and sources. What cannot be used is reported and left as it was.
void ReadSettingsText(const std::string& text, const std::string& path, Settings& settings,
                      Problems& problems);
// Applies the state file the same way.
void ReadStateText(const std::string& text, const std::string& path, Settings& settings,
                   Problems& problems);

// The names of the tanks and of the actions as the files write them.
const char* TankName(int tank);      // "green", "blue"
const char* ActionName(int action);  // "left", "right", "accelerate", "brake", "fire"

}  // namespace game::settings
