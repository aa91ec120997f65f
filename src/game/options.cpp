// The game program's command line, read with getopt_long: long options take their
// value as --name=VALUE (an optional value cannot stand apart, as usual).
#include "game/options.h"

#include <getopt.h>

#include <string_view>
#include <vector>

namespace game {
namespace {

enum OptionId : int {
  OPT_HELP = 'h',
  OPT_VERSION = 256,
  OPT_COMPUTER,
  OPT_MUTE,
  OPT_PRINT_SETTINGS,
  OPT_RECORD,
  OPT_NO_RECORD,
  OPT_REPLAY,
  OPT_HOST,
  OPT_JOIN,
  OPT_INPUT_DELAY,
};

constexpr option LONG_OPTIONS[] = {
    {"help", no_argument, nullptr, OPT_HELP},
    {"version", no_argument, nullptr, OPT_VERSION},
    {"computer", optional_argument, nullptr, OPT_COMPUTER},
    {"mute", no_argument, nullptr, OPT_MUTE},
    {"print-settings", no_argument, nullptr, OPT_PRINT_SETTINGS},
    {"record", required_argument, nullptr, OPT_RECORD},
    {"no-record", no_argument, nullptr, OPT_NO_RECORD},
    {"replay", required_argument, nullptr, OPT_REPLAY},
    {"host", optional_argument, nullptr, OPT_HOST},
    {"join", optional_argument, nullptr, OPT_JOIN},
    {"input-delay", required_argument, nullptr, OPT_INPUT_DELAY},
    {nullptr, 0, nullptr, 0},
};

// The complaint about options that cannot go together, or empty.
std::string ConflictOf(const Options& options) {
  if (options.noRecord && !options.recordFile.empty()) {
    return "--record and --no-record cannot go together";
  }
  if (!options.replayFile.empty() && (options.computerLevel != 0 || !options.recordFile.empty())) {
    return "--replay cannot go with --computer or --record";
  }
  const bool online = options.host || options.joining;
  if (options.host && options.joining) return "--host and --join cannot go together";
  if (online && (options.computerLevel != 0 || !options.replayFile.empty())) {
    return "--host and --join cannot go with --computer or --replay";
  }
  return {};
}

// The whole number in text if it lies in min..max, else -1.
int NumberIn(const char* text, int min, int max) {
  int value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9' || value > max) return -1;
    value = value * 10 + (*c - '0');
  }
  return text[0] != '\0' && value >= min && value <= max ? value : -1;
}

// 1..3 from "1".."3"; 0 otherwise.
int LevelOf(const char* text) {
  return text[0] >= '1' && text[0] <= '3' && text[1] == '\0' ? text[0] - '0' : 0;
}

}  // namespace

Options ParseOptions(int argc, const char* const* argv) {
  Options options;
  // getopt_long may reorder its argv; it works on a copy so the caller's stays as given.
  std::vector<char*> words;
  for (int i = 0; i < argc; ++i) words.push_back(const_cast<char*>(argv[i]));
  words.push_back(nullptr);
  optind = 0;  // a full restart of GNU getopt, so that it can parse more than once
  opterr = 0;  // errors are reported in one line of our own
  for (int id; options.error.empty() &&
               (id = getopt_long(argc, words.data(), ":h", LONG_OPTIONS, nullptr)) != -1;) {
    switch (id) {
      case OPT_HELP: options.showHelp = true; break;
      case OPT_VERSION: options.showVersion = true; break;
      case OPT_COMPUTER:
        options.computerLevel = optarg == nullptr ? 2 : LevelOf(optarg);
        options.computerLevelGiven = optarg != nullptr;
        if (options.computerLevel == 0) options.error = "--computer takes a level of 1, 2 or 3";
        break;
      case OPT_MUTE: options.mute = true; break;
      case OPT_PRINT_SETTINGS: options.printSettings = true; break;
      case OPT_RECORD: options.recordFile = optarg; break;
      case OPT_NO_RECORD: options.noRecord = true; break;
      case OPT_REPLAY: options.replayFile = optarg; break;
      case OPT_HOST:
        options.host = true;
        if (optarg != nullptr && (options.hostPort = NumberIn(optarg, 1, 65535)) < 0) {
          options.error = "--host takes a port of 1 to 65535";
        }
        break;
      case OPT_JOIN:
        options.joining = true;
        options.join = optarg != nullptr ? optarg : "";
        break;
      case OPT_INPUT_DELAY:
        if ((options.inputDelay = NumberIn(optarg, 0, INPUT_DELAY_LIMIT)) < 0) {
          options.error = "--input-delay takes 0 to " + std::to_string(INPUT_DELAY_LIMIT);
        }
        break;
      default: options.error = OptionErrorText(id, words[optind - 1], optopt); break;
    }
  }
  if (options.error.empty() && optind < argc) {
    options.error = std::string("unexpected argument '") + words[optind] + "'";
  }
  if (options.error.empty()) options.error = ConflictOf(options);
  return options;
}

std::string GameVersion() { return BRAZDOVAR_VERSION; }

std::string VersionText() { return "brazdovar " + GameVersion() + "\n"; }

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
         "      --print-settings\n"
         "                 print the settings in effect, each with where it came\n"
         "                 from, and exit\n"
         "      --record=FILE  write the session's replay to FILE\n"
         "      --no-record    keep no replay of the session\n"
         "      --replay=FILE  watch the matches of a replay: Space pauses and\n"
         "                 resumes, the Right arrow held plays 4x, Esc leaves\n"
         "      --host[=PORT]  play online: wait for the other player on PORT\n"
         "                 (default 27455 or the settings' port); you drive green\n"
         "      --join[=HOST[:PORT]]  play online against the player at HOST (a name or\n"
         "                 an IPv4 address); you drive blue with either key set.\n"
         "                 Without HOST, the host joined last time\n"
         "      --input-delay=STEPS  online: your keys act STEPS frame steps later\n"
         "                 (0-10, default 2 or the settings' input_delay)\n"
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
         "Every session's matches are kept in $XDG_STATE_HOME/brazdovar/replays/\n"
         "(~/.local/state/brazdovar/replays/), the newest 50 files.\n"
         "\n"
         "Sprites are read from the working directory first, then from the game's\n"
         "data folder (" "<prefix>/share/brazdovar" ").\n"
         "\n"
         "Settings: $XDG_CONFIG_HOME/brazdovar/settings.toml (by default\n"
         "~/.config/brazdovar/settings.toml) is yours; the game reads it, never writes\n"
         "it. It may hold [sound] enabled, volume (0-100); [window] full_screen;\n"
         "[computer] level; [online] input_delay, port; and keys by SDL key name per\n"
         "tank and action (left, right, accelerate, brake, fire), e.g.\n"
         "  [keys.green]\n"
         "  fire = [\"Return\"]\n"
         "Esc, Space, M, F11 and Alt stay the game's. What the game remembers (full\n"
         "screen, window size, sound on or off) it writes to\n"
         "$XDG_STATE_HOME/brazdovar/state.toml (~/.local/state/brazdovar/state.toml).\n"
         "Your file wins over what is remembered, and options win over both.\n";
}

}  // namespace game
