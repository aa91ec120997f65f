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
    } else if (std::strcmp(arg, "--computer") == 0) {
      options.computerLevel = 2;
    } else if (std::strncmp(arg, "--computer=", 11) == 0) {
      const char* level = arg + 11;
      if (level[0] >= '1' && level[0] <= '3' && level[1] == '\0') {
        options.computerLevel = level[0] - '0';
      } else {
        options.error = "--computer takes a level of 1, 2 or 3";
      }
    } else if (std::strcmp(arg, "--mute") == 0) {
      options.mute = true;
    }
  }
  return options;
}

std::string VersionText() { return std::string("brazdovar ") + BRAZDOVAR_VERSION + "\n"; }

std::string HelpText() {
  return "Usage: brazdovar [OPTION]...\n"
         "A two-player tank duel: shoot the other tank, and keep away from the bird.\n"
         "\n"
         "Options:\n"
         "  -h, --help     print this help and exit\n"
         "      --version  print the version and exit\n"
         "      --computer[=LEVEL]\n"
         "                 play green against the computer, which drives blue;\n"
         "                 LEVEL 1 (easy), 2 (the default) or 3 (hard)\n"
         "      --mute     start with the sound off\n"
         "\n"
         "Controls:          green tank     blue tank\n"
         "  turn left/right  Left/Right     D/G\n"
         "  speed up         Up             R\n"
         "  slow down        Down           F\n"
         "  fire             Ctrl           A\n"
         "M turns the sound off and on. When a match is decided, Space starts a new\n"
         "one and Esc quits. Without a sound device the game plays silently.\n"
         "F11 or Alt+Enter switches to full screen and back; the window can be resized.\n"
         "Gamepads: the first drives green, the second blue. D-pad or left stick turn,\n"
         "A or right trigger speeds up, B or left trigger slows down, X or right\n"
         "shoulder fires; Start and Back answer the match-over screen.\n"
         "\n"
         "Sprites are read from the working directory first, then from the game's\n"
         "data folder (" "<prefix>/share/brazdovar" ").\n";
}

}  // namespace game
