// The game program: a two-player tank duel. Started without arguments it prints
// nothing and exits with status 0 when its window closes; --version and --help
// print and exit 0; --computer[=LEVEL] lets the computer drive the blue tank;
// --mute starts with the sound off; --print-settings prints the settings the
// player's file, the game's state file and the options make, and exits 0. Every
// session is recorded (--record=FILE names the file, --no-record turns it off);
// --replay=FILE watches one. --host[=PORT] and --join[=HOST[:PORT]] play online.
#include <cstdio>
#include <cstdlib>
#include <random>

#include "display/keys.h"
#include "game/computer/computer_player.h"
#include "game/key_source.h"
#include "game/online/online_play.h"
#include "game/options.h"
#include "game/replay/recording.h"
#include "game/replay/replay_file.h"
#include "game/replay/watch_step.h"
#include "game/settings/game_settings.h"
#include "game/sound_cues.h"
#include "game/startup.h"

namespace {

// Plays the replay's matches in the window; a file that cannot be played ends
// the program with status 2 before the window opens.
[[noreturn]] void Watch(const std::string& path) {
  game::replay::LoadResult loaded = game::replay::LoadReplay(path);
  if (!loaded.error.empty()) {
    std::fprintf(stderr, "brazdovar: %s\n", loaded.error.c_str());
    std::exit(2);
  }
  if (!loaded.note.empty()) std::fprintf(stderr, "brazdovar: %s\n", loaded.note.c_str());
  static game::replay::ReplayKeys keys(std::move(loaded.replay));
  keys.Install();
  game::replay::WatchReplay(&keys);
  game::RunProgram(game::replay::WatchStep);
}

// Plays online as host or joiner; a transport that cannot start (a taken port,
// an unknown name, an IPv6 address) ends the program with status 2.
[[noreturn]] void PlayOnline(const game::Options& options,
                             const game::settings::Settings& settings) {
  game::online::OnlineOptions online;
  online.host = options.host;
  online.inputDelay = static_cast<uint32_t>(settings.inputDelay.value);
  online.endpoint.port = static_cast<uint16_t>(settings.port.value);
  if (!options.host) {
    // --join alone goes to the host joined last time, which the game remembers.
    const std::string& text = options.join.empty() ? settings.lastHost.value : options.join;
    if (text.empty()) {
      std::fprintf(stderr, "brazdovar: --join needs a HOST: no host was joined before\n");
      std::exit(2);
    }
    auto parsed = net::ParseEndpoint(text);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
      std::fprintf(stderr, "brazdovar: --join: %s\n", why->c_str());
      std::exit(2);
    }
    const uint16_t settingsPort = online.endpoint.port;
    online.endpoint = std::get<net::Endpoint>(parsed);
    game::settings::RememberJoinedHost(text);
    // Without a port of its own the join goes to the settings' port.
    const bool portGiven = text.find("]:") != std::string::npos ||
                           (!text.starts_with('[') && text.find(':') != std::string::npos);
    if (!portGiven) online.endpoint.port = settingsPort;
  }
  const std::string error = game::online::StartOnline(online);
  if (!error.empty()) {
    std::fprintf(stderr, "brazdovar: %s\n", error.c_str());
    std::exit(2);
  }
  game::RunProgram(game::online::OnlineStep, game::online::WindowClosed);
}

}  // namespace

int main(int argc, char** argv) {
  const game::Options options = game::ParseOptions(argc, argv);
  if (!options.error.empty()) {
    std::fprintf(stderr, "brazdovar: %s\n", options.error.c_str());
    return 2;
  }
  if (options.showVersion || options.showHelp) {
    std::fputs((options.showVersion ? game::VersionText() : game::HelpText()).c_str(), stdout);
    return 0;
  }
  const game::settings::Settings settings = game::settings::LoadSettings(options);
  if (options.printSettings) {
    std::fputs(game::settings::SettingsText(settings).c_str(), stdout);
    return 0;
  }
  game::settings::ApplySettings(settings);
  // Started once the window shows (game::RunProgram).
  game::AskForSound(!settings.soundOn.value);
  if (!options.replayFile.empty()) Watch(options.replayFile);
  std::vector<game::replay::Computer> computers;
  if (options.computerLevel != 0) {
    // A fresh seed per run; brazdovar-sim takes a fixed one to replay a match.
    std::random_device entropy;
    const uint64_t seed = (static_cast<uint64_t>(entropy()) << 32) | entropy();
    static game::computer::ComputerPlayer computer(game::TankSide::Blue,
                                                   settings.computerLevel.value, seed);
    game::SetKeyChooser(game::TankSide::Blue, &computer);
    // Blue's keys (R, D, G, F, A) would move nothing: pads drive green only.
    display::SetPadKeySets(display::PAD_ARROW_KEYS);
    computers.push_back({game::TankSide::Blue, settings.computerLevel.value, seed});
  }
  if (!options.noRecord) game::replay::StartRecording(options.recordFile, std::move(computers));
  if (options.host || options.joining) PlayOnline(options, settings);
  game::RunProgram();
}
