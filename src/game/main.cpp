// The game program: a two-player tank duel. Started without arguments it prints
// nothing and exits with status 0 when its window closes; --version and --help
// print and exit 0; --computer[=LEVEL] lets the computer drive the blue tank;
// --mute starts with the sound off; --print-settings prints the settings the
// player's file, the game's state file and the options make, and exits 0.
#include <cstdio>
#include <random>

#include "display/keys.h"
#include "game/computer/computer_player.h"
#include "game/key_source.h"
#include "game/options.h"
#include "game/settings/game_settings.h"
#include "game/sound_cues.h"
#include "game/startup.h"

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
  if (options.computerLevel != 0) {
    // A fresh seed per run; brazdovar-sim takes a fixed one to replay a match.
    std::random_device entropy;
    const uint64_t seed = (static_cast<uint64_t>(entropy()) << 32) | entropy();
    static game::computer::ComputerPlayer computer(game::TankSide::Blue,
                                                   settings.computerLevel.value, seed);
    game::SetKeyChooser(game::TankSide::Blue, &computer);
    // Blue's keys (R, D, G, F, A) would move nothing: pads drive green only.
    display::SetPadKeySets(display::PAD_ARROW_KEYS);
  }
  game::RunProgram();
}
