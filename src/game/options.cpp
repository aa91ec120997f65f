// The game program's command line.
#include "game/options.h"

#include <cstring>

namespace game {

Options ParseOptions(int argc, const char* const* argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--version") == 0) {
      options.showVersion = true;
    } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      options.showHelp = true;
    } else if (std::strcmp(arg, "--mute") == 0) {
      options.mute = true;
    }
  }
  return options;
}

std::string VersionText() { return std::string("brazdovar ") + BRAZDOVAR_VERSION + "\n"; }

std::string HelpText() {
  return "Usage: brazdovar [OPTION]\n"
         "A two-player tank duel: shoot the other tank, and keep away from the bird.\n"
         "\n"
         "Options:\n"
         "  -h, --help     print this help and exit\n"
         "      --version  print the version and exit\n"
         "      --mute     start with the sound off\n"
         "\n"
         "Controls:          green tank     blue tank\n"
         "  turn left/right  Left/Right     D/G\n"
         "  speed up         Up             R\n"
         "  slow down        Down           F\n"
         "  fire             Ctrl           A\n"
         "M turns the sound off and on. When a match is decided, Space starts a new\n"
         "one and Esc quits. Without a sound device the game plays silently.\n"
         "\n"
         "Sprites are read from the working directory first, then from the game's\n"
         "data folder (" "<prefix>/share/brazdovar" ").\n";
}

}  // namespace game
