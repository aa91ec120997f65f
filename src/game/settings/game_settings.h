// The settings as the game program starts with them: both files read, the
// command line applied on top, and what the game remembers saved when it ends.
//
//   const game::settings::Settings s = game::settings::LoadSettings(options);
//   if (options.printSettings)
//   std::fputs(game::settings::SettingsText(s).c_str(), stdout);
//   game::settings::ApplySettings(s);   // before the window and the sound open
//
// Problems with either file are printed on stderr, one line each; the game
// plays on with the built-in values for what could not be read.
#pragma once
#include <string>

#include "game/options.h"
#include "game/settings/settings.h"

namespace game::settings {

// Built-in values, then the state file, the settings file and the command line,
// each winning over the ones before.
Settings LoadSettings(const Options& options);

// "name = value  # where it came from", one line per setting.
std::string SettingsText(const Settings& settings);

// Hands the keys, the window's shape and the volume to the game, and arranges
// for the state file to be written when the program ends, if anything it
// remembers changed during the run (full screen, window size, sound on or off).
void ApplySettings(const Settings& settings);

// The host this run joins ("HOST[:PORT]"), remembered for the next --join alone.
void RememberJoinedHost(const std::string& host);

}  // namespace game::settings
