// The key tables of the settings file. Each listed action is read whole: one
// bad key name refuses the action, which keeps its keys. Keys that the key
// table cannot tell apart (an arrow and its keypad digit, left and right Ctrl)
// are one key, so they may not go to two actions either.
#include <algorithm>
#include <optional>

#include "display/key_names.h"
#include "game/settings/file_problems.h"

namespace game::settings {
namespace {

// Keys the game keeps for itself: Esc and Space answer the match-over screen, M
// turns the sound off and on, F11 and Alt+Enter switch to full screen. Return
// may be bound (the window takes it only with Alt held), but Alt may not: held
// by one player, it would turn the other's Return into a full-screen switch.
struct KeptKey {
  int32_t code;
  const char* use;
};
constexpr KeptKey KEPT_KEYS[] = {
    {1, "answers the match-over screen"},       {57, "answers the match-over screen"},
    {50, "turns the sound off and on"},         {87, "switches to full screen"},
    {56, "with Enter switches to full screen"},
};

// One listed action as the file gives it.
struct Entry {
  int tank, action;
  std::vector<int32_t> codes;
  std::vector<std::string> names;  // as written, one per code
  toml::source_region where;
};

std::string EntryName(int tank, int action) {
  return std::string("keys.") + TankName(tank) + "." + ActionName(action);
}

std::optional<int> ActionOf(std::string_view name) {
  for (int action = 0; action < ACTION_COUNT; ++action) {
    if (name == ActionName(action)) return action;
  }
  return std::nullopt;
}

// The entry for one listed action, or the reason it is refused.
std::string ReadEntry(const toml::node& node, Entry& entry) {
  const std::string name = EntryName(entry.tank, entry.action);
  const toml::array* list = node.as_array();
  if (list == nullptr || list->empty()) return name + " must be a list of key names";
  for (const toml::node& element : *list) {
    const auto keyName = element.value_exact<std::string>();
    if (!keyName) return name + " must be a list of key names";
    const int32_t code = display::KeyCodeOfName(*keyName);
    if (code == -1) return "unknown key name '" + *keyName + "' in " + name;
    if (code < 0) return "key '" + *keyName + "' in " + name + " is not one the game can read";
    for (const KeptKey& kept : KEPT_KEYS) {
      if (code == kept.code) {
        return "key '" + *keyName + "' in " + name + " is kept by the game: it " + kept.use;
      }
    }
    if (std::find(entry.codes.begin(), entry.codes.end(), code) != entry.codes.end()) continue;
    entry.codes.push_back(code);
    entry.names.push_back(*keyName);
  }
  return {};
}

// Finds one key that two actions would share, the action keys coming from the
// accepted entries or the built-in keys. Returns the entry to refuse (the later
// listed of the two, or the only listed one) and the problem, or nothing.
std::optional<std::pair<size_t, std::string>> FindSharedKey(const std::vector<Entry>& entries) {
  constexpr size_t NONE = SIZE_MAX;
  struct Claim {
    int tank, action;
    size_t entry;  // NONE for a built-in key
  };
  std::vector<std::pair<int32_t, Claim>> claims;
  for (int tank = 0; tank < 2; ++tank) {
    const TankBindings defaults = DefaultBindings(tank == 0 ? TankSide::Green : TankSide::Blue);
    for (int action = 0; action < ACTION_COUNT; ++action) {
      const auto listed = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) {
        return e.tank == tank && e.action == action;
      });
      const size_t index = listed == entries.end() ? NONE : size_t(listed - entries.begin());
      for (const int32_t code : index == NONE ? defaults[action] : listed->codes) {
        claims.push_back({code, {tank, action, index}});
      }
    }
  }
  for (size_t i = 0; i < claims.size(); ++i) {
    for (size_t j = i + 1; j < claims.size(); ++j) {
      if (claims[i].first != claims[j].first) continue;
      Claim first = claims[i].second, second = claims[j].second;
      // Keep the earlier listed or the built-in one; refuse `second`.
      if (second.entry == NONE ||
          (first.entry != NONE &&
           entries[first.entry].where.begin.line > entries[second.entry].where.begin.line)) {
        std::swap(first, second);
      }
      const Entry& refused = entries[second.entry];
      const auto at = std::find(refused.codes.begin(), refused.codes.end(), claims[i].first);
      const std::string& keyName = refused.names[size_t(at - refused.codes.begin())];
      return std::make_pair(second.entry, "key '" + keyName + "' in " +
                                              EntryName(refused.tank, refused.action) +
                                              " is already " + TankName(first.tank) + "'s " +
                                              ActionName(first.action));
    }
  }
  return std::nullopt;
}

}  // namespace

void ReadKeyTables(const toml::table& keys, const std::string& path, Settings& settings,
                   Problems& problems) {
  std::vector<Entry> entries;
  for (const auto& [tankKey, tankNode] : keys) {
    const int tank = tankKey.str() == TankName(0) ? 0 : tankKey.str() == TankName(1) ? 1 : -1;
    const toml::table* table = tankNode.as_table();
    if (tank < 0 || table == nullptr) {
      problems.push_back(ProblemText(path, tankKey.source(),
                                     "unknown setting 'keys." + std::string(tankKey.str()) + "'"));
      continue;
    }
    for (const auto& [actionKey, node] : *table) {
      const auto action = ActionOf(actionKey.str());
      if (!action) {
        problems.push_back(ProblemText(path, actionKey.source(),
                                       "unknown setting 'keys." + std::string(tankKey.str()) + "." +
                                           std::string(actionKey.str()) + "'"));
        continue;
      }
      Entry entry{tank, *action, {}, {}, actionKey.source()};
      if (const std::string problem = ReadEntry(node, entry); !problem.empty()) {
        problems.push_back(ProblemText(path, actionKey.source(), problem));
        continue;
      }
      entries.push_back(std::move(entry));
    }
  }
  // Refusing an entry brings back its built-in keys, which may clash in turn.
  while (const auto shared = FindSharedKey(entries)) {
    problems.push_back(ProblemText(path, entries[shared->first].where, shared->second));
    entries.erase(entries.begin() + std::ptrdiff_t(shared->first));
  }
  for (Entry& entry : entries) {
    settings.keys[size_t(entry.tank)][size_t(entry.action)].Set(std::move(entry.codes), path);
  }
}

}  // namespace game::settings
