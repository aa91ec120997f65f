// The game program's command line: what it asks for and the texts it prints.
//
//   game::Options options = game::ParseOptions(argc, argv);
//   if (options.showHelp) std::fputs(game::HelpText().c_str(), stdout);
//
// Options are read with getopt_long. An unknown option, a value an option cannot
// take, or a word that is no option, sets `error` (one line; the program exits 2).
// Started without arguments the game prints nothing.
#pragma once
#include <string>

#include "game/option_error.h"

namespace game {

struct Options {
  bool showVersion = false;  // --version: print the name and version, exit 0
  bool showHelp = false;     // --help or -h: print the usage and controls, exit 0
  int computerLevel = 0;     // --computer[=1..3]: the computer drives blue; 0 = two players
  bool computerLevelGiven = false;  // the level was given (else the settings' level is played)
  bool printSettings = false;       // --print-settings: print the effective settings, exit 0
  std::string error;         // a known option with a value it cannot take; exit 2
  bool mute = false;         // --mute: start with the sound off (M turns it on)
  std::string recordFile;    // --record=FILE: the session's replay goes there
  bool noRecord = false;     // --no-record: no replay is written
  std::string replayFile;    // --replay=FILE: watch that replay instead of playing
  bool host = false;         // --host[=PORT]: wait for the other player online
  int hostPort = 0;          // its PORT; 0 = the settings' port
  bool joining = false;      // --join[=HOST[:PORT]]: play online against that host
  std::string join;          // its HOST[:PORT]; empty = the host joined last time
  int inputDelay = -1;       // --input-delay=STEPS; -1 = the settings' input_delay
};

// The largest --input-delay (the settings' input_delay has the same range).
inline constexpr int INPUT_DELAY_LIMIT = 10;

// Reads argv[1..argc-1]; problems are reported in `error`, the first one only.
Options ParseOptions(int argc, const char* const* argv);

// "<version>", as the build names it.
std::string GameVersion();
// "brazdovar <version>\n".
std::string VersionText();
// The usage, the options and the controls, ending in a newline.
std::string HelpText();

}  // namespace game
