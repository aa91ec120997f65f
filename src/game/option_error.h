// The one-line complaint for what getopt_long returned, shared by the game's
// programs and tools so that each words a bad option the same way.
//
//   opterr = 0;   // and ":" leading the short options
//   default: error = game::OptionErrorText(id, argv[optind - 1], optopt);
//
// `result` is ':' (a value is missing) or '?', `word` the argument getopt_long
// stopped at, `shortOption` its optopt. A long option is named without any
// "=value", a short one by its letter.
#pragma once
#include <string>
#include <string_view>

namespace game {

inline std::string OptionErrorText(int result, const char* word, int shortOption) {
  const std::string_view given(word);
  const bool isLong = given.size() > 2 && given.substr(0, 2) == "--";
  const std::string name = isLong ? std::string(given.substr(0, given.find('=')))
                                  : std::string("-") + static_cast<char>(shortOption);
  if (result == ':') return "option '" + name + "' needs a value";
  if (isLong && shortOption != 0) return "option '" + name + "' takes no value";
  return "unknown option '" + name + "' (see --help)";
}

}  // namespace game
