// The game program's command line: what it asks for and the texts it prints.
//
//   game::Options options = game::ParseOptions(argc, argv);
//   if (options.showHelp) std::fputs(game::HelpText().c_str(), stdout);
//
// Arguments the game does not know are ignored, so a launcher that passes extra
// words still starts the game. Started without arguments it prints nothing.
#pragma once
#include <string>

namespace game {

struct Options {
  bool showVersion = false;  // --version: print the name and version, exit 0
  bool showHelp = false;     // --help or -h: print the usage and controls, exit 0
  int computerLevel = 0;     // --computer[=1..3]: the computer drives blue; 0 = two players
  std::string error;         // a known option with a value it cannot take; exit 2
  bool mute = false;         // --mute: start with the sound off (M turns it on)
};

// Reads argv[1..argc-1]; never fails.
Options ParseOptions(int argc, const char* const* argv);

// "brazdovar <version>\n".
std::string VersionText();
// The usage, the options and the controls, ending in a newline.
std::string HelpText();

}  // namespace game
