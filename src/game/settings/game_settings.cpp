// Loading, printing and applying the settings, and the state saved at exit.
#include "game/settings/game_settings.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "audio/volume.h"
#include "display/key_names.h"
#include "display/window_shape.h"
#include "game/observer.h"
#include "game/settings/files.h"
#include "game/sound_cues.h"

namespace game::settings {
namespace {

// What the state file holds (built-in values where it says nothing), and the
// state file's path; kept from start-up for the exit. A state file that could
// not be read whole is left as it is.
struct Remembered {
  Settings state;
  std::string path;
  bool writable = true;
  display::WindowShape startShape;
  bool startedMuted = false;
  std::string joinedHost;  // what this run joined, if it joined
};
Remembered remembered;

void PrintProblems(const Problems& problems) {
  for (const std::string& problem : problems)
    std::fprintf(stderr, "brazdovar: %s\n", problem.c_str());
}

// Updates the remembered values from how the run ends; true if any changed.
bool TakeChanges(Settings& state) {
  bool changed = false;
  const display::WindowShape now = display::CurrentWindowShape();
  if (now.fullScreen != remembered.startShape.fullScreen) {
    state.fullScreen.value = now.fullScreen;
    changed = true;
  }
  if (now.width != remembered.startShape.width || now.height != remembered.startShape.height) {
    state.windowWidth.value = std::clamp(now.width, WINDOW_SIDE_MIN, WINDOW_SIDE_MAX);
    state.windowHeight.value = std::clamp(now.height, WINDOW_SIDE_MIN, WINDOW_SIDE_MAX);
    changed = true;
  }
  if (!remembered.joinedHost.empty() && remembered.joinedHost != state.lastHost.value) {
    state.lastHost.value = remembered.joinedHost;
    changed = true;
  }
  if (MuteToggles() % 2 != 0) {
    state.soundOn.value = remembered.startedMuted;  // muted at the start: on now
    changed = true;
  }
  return changed;
}

void SaveState(int32_t) {
  Settings state = remembered.state;
  if (!remembered.writable || !TakeChanges(state)) return;
  const std::string problem = WriteFileAtomically(remembered.path, StateText(state));
  if (!problem.empty())
    std::fprintf(stderr, "brazdovar: cannot save the state: %s\n", problem.c_str());
}

std::string KeyList(const std::vector<int32_t>& codes) {
  std::string list = "[";
  for (const int32_t code : codes) {
    list += (list.size() > 1 ? ", " : "") + Quoted(display::KeyNameOfCode(code));
  }
  return list + "]";
}

}  // namespace

Settings LoadSettings(const Options& options) {
  const Paths paths = FindPaths();
  Settings settings;
  Problems problems;
  if (const auto text = ReadFileText(paths.state, problems)) {
    const size_t before = problems.size();
    ReadStateText(*text, paths.state, settings, problems);
    remembered.writable = problems.size() == before;
  }
  remembered.state = settings;
  remembered.path = paths.state;
  if (const auto text = ReadFileText(paths.settings, problems)) {
    ReadSettingsText(*text, paths.settings, settings, problems);
  }
  PrintProblems(problems);
  if (options.mute) settings.soundOn.Set(false, COMMAND_LINE);
  if (options.computerLevelGiven) settings.computerLevel.Set(options.computerLevel, COMMAND_LINE);
  if (options.inputDelay >= 0) settings.inputDelay.Set(options.inputDelay, COMMAND_LINE);
  if (options.hostPort != 0) settings.port.Set(options.hostPort, COMMAND_LINE);
  return settings;
}

std::string SettingsText(const Settings& s) {
  std::ostringstream text;
  const auto line = [&text](const std::string& name, const std::string& value,
                            const std::string& from) {
    const std::string setting = name + " = " + value;
    text << setting << std::string(std::max<size_t>(1, 40 - setting.size()), ' ') << "# " << from
         << "\n";
  };
  const auto flag = [](bool on) { return std::string(on ? "true" : "false"); };
  line("sound.enabled", flag(s.soundOn.value), s.soundOn.from);
  line("sound.volume", std::to_string(s.volume.value), s.volume.from);
  line("window.full_screen", flag(s.fullScreen.value), s.fullScreen.from);
  line("window.width", std::to_string(s.windowWidth.value), s.windowWidth.from);
  line("window.height", std::to_string(s.windowHeight.value), s.windowHeight.from);
  line("computer.level", std::to_string(s.computerLevel.value), s.computerLevel.from);
  line("online.input_delay", std::to_string(s.inputDelay.value), s.inputDelay.from);
  line("online.port", std::to_string(s.port.value), s.port.from);
  line("online.last_host", Quoted(s.lastHost.value), s.lastHost.from);
  for (int tank = 0; tank < 2; ++tank) {
    for (int action = 0; action < ACTION_COUNT; ++action) {
      const auto& keys = s.keys[size_t(tank)][size_t(action)];
      line(std::string("keys.") + TankName(tank) + "." + ActionName(action), KeyList(keys.value),
           keys.from);
    }
  }
  return text.str();
}

void ApplySettings(const Settings& settings) {
  for (int tank = 0; tank < 2; ++tank) {
    TankBindings bindings;
    for (int action = 0; action < ACTION_COUNT; ++action) {
      bindings[size_t(action)] = settings.keys[size_t(tank)][size_t(action)].value;
    }
    SetKeyBindings(tank == 0 ? TankSide::Green : TankSide::Blue, bindings);
  }
  remembered.startShape = {settings.fullScreen.value, settings.windowWidth.value,
                           settings.windowHeight.value};
  display::SetStartingShape(remembered.startShape);
  remembered.startedMuted = !settings.soundOn.value;
  audio::SetVolume(settings.volume.value);
  static Observer saving;
  saving.programEnding = SaveState;
  AddObserver(&saving);
}

void RememberJoinedHost(const std::string& host) { remembered.joinedHost = host; }

}  // namespace game::settings
