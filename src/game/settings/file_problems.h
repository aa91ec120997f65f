// Internal to the settings: the parsed TOML document and the wording of
// problems.
#pragma once
#include <toml++/toml.h>

#include <string>

#include "game/settings/settings.h"

namespace game::settings {

// "<path>:<line>: <what>"; without a line, "<path>: <what>".
std::string ProblemText(const std::string& path, const toml::source_region& where,
                        const std::string& what);

// Applies the [keys.green] and [keys.blue] tables: each action listed replaces
// that action's keys, unless one of its keys is unknown, kept by the game, or
// already another action's; then the action is reported and keeps its keys.
void ReadKeyTables(const toml::table& keys, const std::string& path, Settings& settings,
                   Problems& problems);

}  // namespace game::settings
