// The settings files on disk: where they are, reading them, and writing the
// state file.
//
//   const game::settings::Paths paths = game::settings::FindPaths();
//   std::optional<std::string> text =
//   game::settings::ReadFileText(paths.settings, problems);
//
// $XDG_CONFIG_HOME and $XDG_STATE_HOME are used when set to an absolute path,
// else
// ~/.config and ~/.local/state under $HOME.
#pragma once
#include <optional>
#include <string>

#include "game/settings/settings.h"

namespace game::settings {

struct Paths {
  std::string settings;  // the player's file; empty when no folder can be named
  std::string state;     // the game's own file; likewise
};
Paths FindPaths();

// The whole file, or nothing: silently when it (or its folder) is missing or
// may not be read, with one problem for any other failure.
std::optional<std::string> ReadFileText(const std::string& path, Problems& problems);

// `text` as a TOML basic string, quotes and escapes included.
std::string Quoted(const std::string& text);

// The state file's text for the remembered values in `settings`.
std::string StateText(const Settings& settings);

// Writes `text` to `path` through a temporary file beside it and a rename,
// making its folder first. The problem in one line, or empty.
std::string WriteFileAtomically(const std::string& path, const std::string& text);

}  // namespace game::settings
