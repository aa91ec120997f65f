// Reading the settings and state files: TOML through toml++, then each known
// setting checked for its type and range. A file that does not parse leaves
// every setting as it was; a bad setting leaves only itself.
#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "game/settings/file_problems.h"
#include "game/settings/settings.h"

namespace game::settings {
namespace {

using Reader = std::string (*)(const toml::node& node, const std::string& from, Settings& s);

// One setting a file may hold: [table] key, and how to read it (the problem, or
// empty when it was taken).
struct Field {
  std::string_view table, key;
  Reader read;
};

template <auto Member>
std::string ReadBool(const toml::node& node, const std::string& from, Settings& s) {
  const auto value = node.value_exact<bool>();
  if (!value) return "must be true or false";
  (s.*Member).Set(*value, from);
  return {};
}

template <auto Member, int Min, int Max>
std::string ReadInt(const toml::node& node, const std::string& from, Settings& s) {
  const auto value = node.value_exact<int64_t>();
  if (!value || *value < Min || *value > Max) {
    return "must be a whole number from " + std::to_string(Min) + " to " + std::to_string(Max);
  }
  (s.*Member).Set(static_cast<int>(*value), from);
  return {};
}

template <auto Member>
std::string ReadString(const toml::node& node, const std::string& from, Settings& s) {
  const auto value = node.value_exact<std::string>();
  if (!value) return "must be a string";
  (s.*Member).Set(*value, from);
  return {};
}

constexpr Field SETTINGS_FIELDS[] = {
    {"sound", "enabled", ReadBool<&Settings::soundOn>},
    {"sound", "volume", ReadInt<&Settings::volume, 0, VOLUME_MAX>},
    {"window", "full_screen", ReadBool<&Settings::fullScreen>},
    {"computer", "level", ReadInt<&Settings::computerLevel, LEVEL_MIN, LEVEL_MAX>},
    {"online", "input_delay", ReadInt<&Settings::inputDelay, 0, INPUT_DELAY_MAX>},
    {"online", "port", ReadInt<&Settings::port, PORT_MIN, PORT_MAX>},
};

constexpr Field STATE_FIELDS[] = {
    {"sound", "enabled", ReadBool<&Settings::soundOn>},
    {"window", "full_screen", ReadBool<&Settings::fullScreen>},
    {"window", "width", ReadInt<&Settings::windowWidth, WINDOW_SIDE_MIN, WINDOW_SIDE_MAX>},
    {"window", "height", ReadInt<&Settings::windowHeight, WINDOW_SIDE_MIN, WINDOW_SIDE_MAX>},
    {"online", "last_host", ReadString<&Settings::lastHost>},
};

template <size_t N>
const Field* FindField(const Field (&fields)[N], std::string_view table, std::string_view key) {
  for (const Field& field : fields) {
    if (field.table == table && field.key == key) return &field;
  }
  return nullptr;
}

template <size_t N>
bool KnownTable(const Field (&fields)[N], std::string_view table) {
  for (const Field& field : fields) {
    if (field.table == table) return true;
  }
  return false;
}

// Parses `text` and reads every setting in `fields`, and the key tables when
// `withKeys`; the rest is reported.
template <size_t N>
void ReadFile(const std::string& text, const std::string& path, const Field (&fields)[N],
              bool withKeys, Settings& settings, Problems& problems) {
  toml::table root;
  try {
    root = toml::parse(text, std::string_view(path));
  } catch (const toml::parse_error& error) {
    problems.push_back(ProblemText(path, error.source(), std::string(error.description())));
    return;
  }
  const size_t before = problems.size();
  for (const auto& [tableKey, tableNode] : root) {
    const std::string_view tableName = tableKey.str();
    const toml::table* table = tableNode.as_table();
    if (withKeys && tableName == "keys" && table != nullptr) {
      ReadKeyTables(*table, path, settings, problems);
      continue;
    }
    if (table == nullptr || !KnownTable(fields, tableName)) {
      problems.push_back(
          ProblemText(path, tableKey.source(), "unknown setting '" + std::string(tableName) + "'"));
      continue;
    }
    for (const auto& [key, node] : *table) {
      const std::string name = std::string(tableName) + "." + std::string(key.str());
      const Field* field = FindField(fields, tableName, key.str());
      if (field == nullptr) {
        problems.push_back(ProblemText(path, key.source(), "unknown setting '" + name + "'"));
      } else if (const std::string problem = field->read(node, path, settings); !problem.empty()) {
        problems.push_back(ProblemText(path, key.source(), name + " " + problem));
      }
    }
  }
  // Tables are read in the order of their names; problems go in the file's order.
  const auto lineOf = [&path](const std::string& problem) {
    return std::strtoul(problem.c_str() + path.size() + 1, nullptr, 10);
  };
  std::stable_sort(
      problems.begin() + std::ptrdiff_t(before), problems.end(),
      [&](const std::string& a, const std::string& b) { return lineOf(a) < lineOf(b); });
}

}  // namespace

std::string ProblemText(const std::string& path, const toml::source_region& where,
                        const std::string& what) {
  if (where.begin.line == 0) return path + ": " + what;
  return path + ":" + std::to_string(where.begin.line) + ": " + what;
}

void ReadSettingsText(const std::string& text, const std::string& path, Settings& settings,
                      Problems& problems) {
  ReadFile(text, path, SETTINGS_FIELDS, true, settings, problems);
}

void ReadStateText(const std::string& text, const std::string& path, Settings& settings,
                   Problems& problems) {
  ReadFile(text, path, STATE_FIELDS, false, settings, problems);
}

}  // namespace game::settings
