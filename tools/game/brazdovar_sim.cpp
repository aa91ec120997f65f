// brazdovar-sim: plays a scripted match headlessly and records every frame step.
//
//   brazdovar-sim [--dump-frame N FILE.pam] [--computer=LEVEL] [--computer-green=LEVEL]
//                 [--seed=N] [--record=FILE] SCRIPT   (--help for the usage; "--seed N" works too)
//   brazdovar-sim [--dump-frame N FILE.pam] --replay=FILE
//
// SCRIPT (a file, or - for stdin) holds one stretch per line: "<milliseconds>
// [key ...]" with the keys held for that long (Left Right Up Down Ctrl D G R F A
// Esc Space); a stretch without keys releases all. Blank lines and lines starting
// with # are skipped. The sprites are found as the game finds them: the working
// directory first, then the installed data folder (or the source tree's assets/).
//
// The real game runs on the headless display back end with the virtual clock, so
// the frame clock (35 ms), the key-table refreshes (10 ms), the match-over polling
// and its pause keep their real timing but run much faster than real time. Output
// is JSON lines on stdout: one per frame step, match end, new match and program
// end, and a last one when the script runs out (the run stops there).
// --dump-frame writes the screen as presented after frame step N as a PAM image.
// --computer lets the computer player (level 1..3) drive blue, --computer-green
// green; their random choices come from --seed (default 1), so a run replays
// exactly. A tank the computer drives ignores the script's keys for it, and the
// keys it chose appear in each frame line like a player's.
//
// --record writes the run's replay (docs/replay-format.md) at each match end and
// when the run ends. --replay plays a replay's frame steps instead of a script,
// answering each match-over screen as the recorded run did (Space for the next
// match, Esc where it left), and prints the lines that run printed; only the
// clock times may differ. --host and --join play online in real time instead
// (the script gives the local tank's keys) and end with a line of the session's
// network figures.
#include <getopt.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "display/headless.h"
#include "display/keys.h"
#include "display/screen.h"
#include "game/computer/computer_player.h"
#include "game/fingerprint.h"
#include "game/key_source.h"
#include "game/match_state.h"
#include "game/observer.h"
#include "game/online/online_play.h"
#include "game/options.h"
#include "game/replay/recorder.h"
#include "game/replay/replay_file.h"
#include "game/replay/replay_folder.h"
#include "game/replay/replay_keys.h"
#include "game/startup.h"

namespace {

struct KeyName {
  const char* name;
  int32_t scanCode;
};
// The first ten in the order of the game's HeldKey bits.
constexpr KeyName KEY_NAMES[] = {
    {"Left", display::KEY_LEFT}, {"Right", display::KEY_RIGHT}, {"Up", display::KEY_UP},
    {"Down", display::KEY_DOWN}, {"Ctrl", display::KEY_CTRL},   {"D", display::KEY_D},
    {"G", display::KEY_G},       {"R", display::KEY_R},         {"F", display::KEY_F},
    {"A", display::KEY_A},       {"Esc", display::KEY_ESC},     {"Space", display::KEY_SPACE},
};

struct Stretch {
  int64_t endMs;  // virtual time at which the stretch ends
  std::vector<int32_t> keys;
};

struct Options {
  std::optional<int64_t> dumpFrame;
  std::string dumpFile;
  int blueComputer = 0;  // level, 0 = the script drives
  int greenComputer = 0;
  uint64_t seed = 1;
  std::string script;
  std::string recordFile;  // --record
  std::string replayFile;  // --replay, in place of a script
  bool host = false;       // --host=PORT: play online, green, in real time
  std::string join;        // --join=HOST:PORT: play online, blue, in real time
  net::Endpoint endpoint;
  uint32_t inputDelay = 2;  // --input-delay
  bool Online() const { return host || !join.empty(); }
};

// Run-wide state of the recorder; the game's callbacks are plain function pointers.
struct Recorder {
  std::vector<Stretch> stretches;
  size_t current = SIZE_MAX;
  int64_t frames = 0;
  Options options;
  std::optional<int64_t> dumpAfterMs;  // set once frame N has been drawn
  bool dumped = false;
  std::optional<game::replay::Recorder> record;  // with --record
  bool recordComplained = false;
  std::optional<game::replay::ReplayKeys> replay;  // with --replay
  std::atomic<bool> matchOver = false;             // a replayed match awaits its answer
  bool answerHeld = false;
  std::optional<int64_t> onlineStartMs;  // online: the script starts with the first match
  bool leaving = false;
};
Recorder recorder;

[[noreturn]] void Fail(const std::string& why) {
  std::cerr << "brazdovar-sim: " << why << "\n";
  std::exit(2);
}

std::optional<int32_t> ScanCodeOf(std::string_view name) {
  for (const KeyName& key : KEY_NAMES) {
    if (name == key.name) return key.scanCode;
  }
  return std::nullopt;
}

std::vector<Stretch> ParseScript(std::istream& in) {
  std::vector<Stretch> stretches;
  int64_t end = 0;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::istringstream words(line);
    std::string first;
    if (!(words >> first) || first[0] == '#') continue;
    char* rest = nullptr;
    const long long ms = std::strtoll(first.c_str(), &rest, 10);
    if (*rest != '\0' || ms < 0) Fail("line " + std::to_string(number) + ": bad duration");
    Stretch stretch;
    end += ms;
    stretch.endMs = end;
    for (std::string word; words >> word;) {
      const std::optional<int32_t> code = ScanCodeOf(word);
      if (!code) Fail("line " + std::to_string(number) + ": unknown key " + word);
      stretch.keys.push_back(*code);
    }
    stretches.push_back(std::move(stretch));
  }
  return stretches;
}

constexpr char USAGE[] =
    "Usage: brazdovar-sim [OPTION]... SCRIPT\n"
    "  or:  brazdovar-sim [--dump-frame N FILE.pam] --replay=FILE\n"
    "Plays a scripted match of brazdovar without a window and prints every frame\n"
    "step as a line of JSON. SCRIPT is a file, or - for standard input.\n"
    "\n"
    "Options:\n"
    "  -h, --help                print this help and exit\n"
    "      --computer=LEVEL      the computer (1, 2 or 3) drives the blue tank\n"
    "      --computer-green=LEVEL  the computer drives the green tank\n"
    "      --seed=N              seed of the computers' random choices (default 1)\n"
    "      --record=FILE         write the run's replay to FILE\n"
    "      --replay=FILE         play a replay's matches instead of a script and print\n"
    "                            the lines its run printed\n"
    "      --host=PORT           play online in real time, as green, waiting on PORT\n"
    "                            (0 picks a free port, printed on stderr)\n"
    "      --join=HOST:PORT      play online in real time, as blue, against HOST\n"
    "      --input-delay=STEPS   online: the local keys act STEPS frame steps later\n"
    "                            (default 2)\n"
    "      --dump-frame N FILE.pam\n"
    "                            also write the page after frame step N as a PAM image\n";

int ParseLevel(const char* text, std::string_view option) {
  if (text[0] >= '1' && text[0] <= '3' && text[1] == '\0') return text[0] - '0';
  Fail(std::string(option) + " takes a level of 1, 2 or 3");
}

uint64_t ParseWholeNumber(const char* text, std::string_view option) {
  char* end = nullptr;
  errno = 0;
  const uint64_t value = std::strtoull(text, &end, 10);
  if (*text < '0' || *text > '9' || *end != '\0' || errno != 0) {
    Fail(std::string(option) + " takes a whole number");
  }
  return value;
}

enum OptionId : int { OPT_HELP = 'h', OPT_DUMP_FRAME = 256, OPT_COMPUTER, OPT_COMPUTER_GREEN,
                      OPT_SEED, OPT_RECORD, OPT_REPLAY, OPT_HOST, OPT_JOIN, OPT_INPUT_DELAY };

constexpr option LONG_OPTIONS[] = {
    {"help", no_argument, nullptr, OPT_HELP},
    {"dump-frame", required_argument, nullptr, OPT_DUMP_FRAME},
    {"computer", required_argument, nullptr, OPT_COMPUTER},
    {"computer-green", required_argument, nullptr, OPT_COMPUTER_GREEN},
    {"seed", required_argument, nullptr, OPT_SEED},
    {"record", required_argument, nullptr, OPT_RECORD},
    {"replay", required_argument, nullptr, OPT_REPLAY},
    {"host", required_argument, nullptr, OPT_HOST},
    {"join", required_argument, nullptr, OPT_JOIN},
    {"input-delay", required_argument, nullptr, OPT_INPUT_DELAY},
    {nullptr, 0, nullptr, 0},
};

// Long options take their value as --name=VALUE or --name VALUE; --dump-frame takes
// two words, N and the file.
Options ParseArguments(int argc, char** argv) {
  Options options;
  opterr = 0;  // errors are reported in one line of our own
  for (int id; (id = getopt_long(argc, argv, ":h", LONG_OPTIONS, nullptr)) != -1;) {
    switch (id) {
      case OPT_HELP:
        std::fputs(USAGE, stdout);
        std::exit(0);
      case OPT_DUMP_FRAME:
        if (optind >= argc) Fail("--dump-frame needs N and FILE.pam");
        options.dumpFrame = static_cast<int64_t>(ParseWholeNumber(optarg, "--dump-frame"));
        options.dumpFile = argv[optind++];
        break;
      case OPT_COMPUTER: options.blueComputer = ParseLevel(optarg, "--computer"); break;
      case OPT_COMPUTER_GREEN:
        options.greenComputer = ParseLevel(optarg, "--computer-green");
        break;
      case OPT_SEED: options.seed = ParseWholeNumber(optarg, "--seed"); break;
      case OPT_RECORD: options.recordFile = optarg; break;
      case OPT_REPLAY: options.replayFile = optarg; break;
      case OPT_HOST: {
        const uint64_t port = ParseWholeNumber(optarg, "--host");
        if (port > 65535) Fail("--host takes a port of 0 to 65535");
        options.host = true;
        options.endpoint.port = static_cast<uint16_t>(port);
        break;
      }
      case OPT_JOIN: {
        auto parsed = net::ParseEndpoint(optarg);
        if (const auto* why = std::get_if<std::string>(&parsed)) Fail("--join: " + *why);
        options.join = optarg;
        options.endpoint = std::get<net::Endpoint>(parsed);
        break;
      }
      case OPT_INPUT_DELAY: {
        const uint64_t delay = ParseWholeNumber(optarg, "--input-delay");
        if (delay > game::INPUT_DELAY_LIMIT) {
          Fail("--input-delay takes 0 to " + std::to_string(game::INPUT_DELAY_LIMIT));
        }
        options.inputDelay = static_cast<uint32_t>(delay);
        break;
      }
      default: Fail(game::OptionErrorText(id, argv[optind - 1], optopt));
    }
  }
  if (!options.replayFile.empty()) {
    if (optind != argc) Fail("--replay takes no SCRIPT");
    if (options.blueComputer != 0 || options.greenComputer != 0 || !options.recordFile.empty()) {
      Fail("--replay cannot go with --computer, --computer-green or --record");
    }
    return options;
  }
  if (options.Online() && (options.host == !options.join.empty() || options.blueComputer != 0 ||
                           options.greenComputer != 0 || options.dumpFrame)) {
    Fail("--host or --join goes with neither the other, --computer, --computer-green, "
         "--dump-frame nor --replay");
  }
  if (optind + 1 != argc) Fail(optind == argc ? "no SCRIPT given (see --help)"
                                              : "more than one SCRIPT given (see --help)");
  options.script = argv[optind];
  return options;
}

// --- JSON output ------------------------------------------------------------

void PrintNumber(double value) { std::printf("%.17g", value); }

void PrintString(std::string_view text) {
  std::putchar('"');
  for (char c : text) {
    if (c == '"' || c == '\\') std::putchar('\\');
    std::putchar(c);
  }
  std::putchar('"');
}

void PrintTank(const char* name, const game::Tank& tank) {
  std::printf("\"%s\":{\"x\":", name);
  PrintNumber(tank.x);
  std::printf(",\"y\":");
  PrintNumber(tank.y);
  std::printf(",\"heading\":%d,\"speed\":", tank.heading);
  PrintNumber(tank.speed);
  std::printf(",\"animation\":%u,\"shots\":[", tank.animation);
  bool first = true;
  for (int slot = 0; slot < game::SHOT_SLOTS; ++slot) {
    const game::Shot& shot = tank.shots[slot];
    if (shot.active == 0) continue;
    std::printf("%s{\"slot\":%d,\"x\":", first ? "" : ",", slot);
    PrintNumber(shot.x);
    std::printf(",\"y\":");
    PrintNumber(shot.y);
    std::printf(",\"heading\":%d}", shot.heading);
    first = false;
  }
  std::printf("]}");
}

void PrintState(const game::MatchState& state) {
  PrintTank("green", state.green);
  std::putchar(',');
  PrintTank("blue", state.blue);
}

void BeginEvent(const char* event) {
  std::printf("{\"event\":\"%s\",\"time_ms\":%lld", event,
              static_cast<long long>(display::headless::NowMs()));
}

// --- Frame dump ---------------------------------------------------------------

void WritePam(const std::string& path) {
  const display::ScreenInfo info = display::GetScreenInfo();
  const std::vector<uint32_t> pixels = display::headless::WindowContents();
  std::ofstream out(path, std::ios::binary);
  out << "P7\nWIDTH " << info.width << "\nHEIGHT " << info.height
      << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  for (uint32_t pixel : pixels) {
    const char tuple[4] = {static_cast<char>(pixel >> 16), static_cast<char>(pixel >> 8),
                           static_cast<char>(pixel), static_cast<char>(pixel >> 24)};
    out.write(tuple, 4);
  }
  if (!out) Fail("cannot write " + path);
}

// Frame N is presented by the pass its unlock asks for, at the frame's own time;
// once a presentation made after the frame has been seen, the window holds it.
void DumpWhenPresented(bool force) {
  if (recorder.dumped || !recorder.dumpAfterMs) return;
  bool presented = false;
  for (const auto& presentation : display::headless::TakePresentations()) {
    if (presentation.timeMs >= *recorder.dumpAfterMs) presented = true;
  }
  if (!presented && !force) return;
  WritePam(recorder.options.dumpFile);
  recorder.dumped = true;
}

// --- Replays ------------------------------------------------------------------

// Writes the replay so far; a failure is said once and the run goes on.
void SaveRecord() {
  if (!recorder.record) return;
  const std::string error = recorder.record->Save(recorder.options.recordFile);
  if (error.empty() || recorder.recordComplained) return;
  recorder.recordComplained = true;
  std::fprintf(stderr, "brazdovar-sim: cannot write the replay %s: %s\n",
               recorder.options.recordFile.c_str(), error.c_str());
}

void StartRecord() {
  game::replay::Replay header;
  header.gameVersion = game::GameVersion();
  header.rules = game::RulesFingerprint();
  header.when = game::replay::IsoTime(std::time(nullptr));
  // The seeds as main gives them to the two computers.
  if (recorder.options.greenComputer != 0) {
    header.computers.push_back({game::TankSide::Green, recorder.options.greenComputer,
                                recorder.options.seed * 2 + 1});
  }
  if (recorder.options.blueComputer != 0) {
    header.computers.push_back({game::TankSide::Blue, recorder.options.blueComputer,
                                recorder.options.seed * 2});
  }
  recorder.record.emplace(std::move(header));
}

void EndOfScript();

// The replay's frame steps have run out where its run stopped (or was cut off).
void OnReplayOverrun() { EndOfScript(); }

void LoadReplayFile() {
  game::replay::LoadResult loaded = game::replay::LoadReplay(recorder.options.replayFile);
  if (!loaded.error.empty()) Fail(loaded.error);
  if (!loaded.note.empty()) std::fprintf(stderr, "brazdovar-sim: %s\n", loaded.note.c_str());
  recorder.replay.emplace(std::move(loaded.replay), OnReplayOverrun);
  recorder.replay->Install();
}

// Window passes of a replayed run: the match-over screen gets the answer the
// recorded run gave, held until the next match begins.
void OnReplayPass(int64_t) {
  DumpWhenPresented(false);
  if (!recorder.matchOver) {
    if (recorder.answerHeld) display::headless::ReleaseAllKeys();
    recorder.answerHeld = false;
    return;
  }
  if (recorder.answerHeld) return;
  if (recorder.replay->HasNextMatch()) {
    display::headless::SetKey(display::KEY_SPACE, true);
  } else if (recorder.replay->replay().ending == game::replay::Ending::Leave) {
    display::headless::SetKey(display::KEY_ESC, true);
  } else {
    EndOfScript();
  }
  recorder.answerHeld = true;
}

// --- Game callbacks -----------------------------------------------------------

void OnFrameStepEnded(const game::MatchState& state, uint32_t keysHeld) {
  ++recorder.frames;
  BeginEvent("frame");
  std::printf(",\"frame\":%lld,\"keys\":[", static_cast<long long>(recorder.frames));
  bool first = true;
  for (int bit = 0; bit < 10; ++bit) {
    if ((keysHeld & (1u << bit)) == 0) continue;
    std::printf("%s\"%s\"", first ? "" : ",", KEY_NAMES[bit].name);
    first = false;
  }
  std::printf("],");
  PrintState(state);
  std::printf("}\n");
  if (recorder.record) recorder.record->FrameStep(keysHeld);
  if (recorder.options.dumpFrame == recorder.frames) {
    // Presentations made before this point showed earlier frames.
    display::headless::TakePresentations();
    recorder.dumpAfterMs = display::headless::NowMs();
  }
}

void OnMatchDecided(const game::MatchState& state, std::string_view message, int32_t winner) {
  BeginEvent("match_end");
  std::printf(",\"frame\":%lld,\"message\":", static_cast<long long>(recorder.frames));
  PrintString(message);
  std::printf(",\"winner\":%d,", winner);
  PrintState(state);
  std::printf("}\n");
  recorder.matchOver = true;
  if (recorder.record) {
    recorder.record->MatchDecided(winner);
    SaveRecord();
  }
}

void OnNewMatch(const game::MatchState& state) {
  BeginEvent("new_match");
  std::putchar(',');
  PrintState(state);
  std::printf("}\n");
  recorder.matchOver = false;
  if (recorder.record) recorder.record->NewMatch();
}

void OnProgramEnding(int32_t status) {
  DumpWhenPresented(true);
  BeginEvent("program_end");
  std::printf(",\"frames\":%lld,\"status\":%d}\n", static_cast<long long>(recorder.frames),
              status);
  std::fflush(stdout);
  if (recorder.record) {
    recorder.record->SessionEnded();
    SaveRecord();
  }
}

// The script (or the replay) has run out: the last line, and the run ends.
void EndOfScript() {
  DumpWhenPresented(true);
  BeginEvent("script_end");
  std::printf(",\"frames\":%lld}\n", static_cast<long long>(recorder.frames));
  std::fflush(stdout);
  if (recorder.record) {
    recorder.record->Stopped();
    SaveRecord();
  }
  if (recorder.options.dumpFrame && !recorder.dumped) {
    std::fprintf(stderr, "brazdovar-sim: frame %lld never ran\n",
                 static_cast<long long>(*recorder.options.dumpFrame));
    std::_Exit(1);
  }
  std::_Exit(0);
}

// Online: the script's time starts with the first match, and a script that has
// run out leaves the session (which then ends the run).
void OnOnlinePass(int64_t nowMs) {
  if (!recorder.onlineStartMs) {
    if (!game::online::SessionStarted()) return;
    recorder.onlineStartMs = nowMs;
  }
  const int64_t scriptMs = nowMs - *recorder.onlineStartMs;
  size_t stretch = 0;
  while (stretch < recorder.stretches.size() && recorder.stretches[stretch].endMs <= scriptMs) {
    ++stretch;
  }
  if (stretch == recorder.stretches.size()) {
    if (!recorder.leaving) display::headless::ReleaseAllKeys();
    recorder.leaving = true;
    game::online::RequestLeave();
    return;
  }
  if (stretch == recorder.current) return;
  recorder.current = stretch;
  display::headless::ReleaseAllKeys();
  for (int32_t code : recorder.stretches[stretch].keys) display::headless::SetKey(code, true);
}

void OnNetSummary(const game::online::NetSummary& summary) {
  BeginEvent("net");
  std::printf(",\"rollbacks\":%llu,\"max_rollback\":%u,\"waits\":%llu,\"input_delay\":%u,"
              "\"rtt_ms\":%u,\"bytes_sent\":%llu,\"bytes_received\":%llu,"
              "\"packets_sent\":%llu,\"packets_received\":%llu,\"desyncs\":%u}\n",
              static_cast<unsigned long long>(summary.stats.rollbacks),
              summary.stats.maxRollback, static_cast<unsigned long long>(summary.stats.waits),
              summary.inputDelay, summary.roundTripMs,
              static_cast<unsigned long long>(summary.traffic.bytesSent),
              static_cast<unsigned long long>(summary.traffic.bytesReceived),
              static_cast<unsigned long long>(summary.traffic.packetsSent),
              static_cast<unsigned long long>(summary.traffic.packetsReceived),
              summary.desyncs);
}

// Called at the start of every window pass: holds the keys of the stretch that
// covers this moment, and ends the run when the script has run out.
void OnPass(int64_t nowMs) {
  DumpWhenPresented(false);
  size_t stretch = 0;
  while (stretch < recorder.stretches.size() && recorder.stretches[stretch].endMs <= nowMs) {
    ++stretch;
  }
  if (stretch == recorder.stretches.size()) EndOfScript();
  if (stretch == recorder.current) return;
  recorder.current = stretch;
  display::headless::ReleaseAllKeys();
  for (int32_t code : recorder.stretches[stretch].keys) display::headless::SetKey(code, true);
}

// Online runs in real time: the other side's clock is a real one.
[[noreturn]] void PlayOnline() {
  const Options& options = recorder.options;
  const std::string error = game::online::StartOnline(
      {options.host, options.host ? net::Endpoint{"127.0.0.1", options.endpoint.port}
                                  : options.endpoint, options.inputDelay});
  if (!error.empty()) Fail(error);
  if (options.host) {
    std::fprintf(stderr, "brazdovar-sim: listening on port %u\n", game::online::ListeningPort());
  }
  game::online::SetSummaryListener(OnNetSummary);
  display::headless::Select(display::headless::Timing::Real);
  display::headless::SetPassHook(OnOnlinePass);
  game::RunProgram(game::online::OnlineStep);
}

}  // namespace

int main(int argc, char** argv) {
  recorder.options = ParseArguments(argc, argv);
  if (!recorder.options.replayFile.empty()) {
    LoadReplayFile();
  } else if (recorder.options.script == "-") {
    recorder.stretches = ParseScript(std::cin);
  } else {
    std::ifstream in(recorder.options.script);
    if (!in) Fail("cannot read " + recorder.options.script);
    recorder.stretches = ParseScript(in);
  }

  // The two computers draw from different streams of the one seed.
  std::optional<game::computer::ComputerPlayer> blue, green;
  if (recorder.options.blueComputer != 0) {
    blue.emplace(game::TankSide::Blue, recorder.options.blueComputer, recorder.options.seed * 2);
    game::SetKeyChooser(game::TankSide::Blue, &*blue);
  }
  if (recorder.options.greenComputer != 0) {
    green.emplace(game::TankSide::Green, recorder.options.greenComputer,
                  recorder.options.seed * 2 + 1);
    game::SetKeyChooser(game::TankSide::Green, &*green);
  }

  static const game::Observer observer = {OnFrameStepEnded, OnMatchDecided, OnNewMatch,
                                          OnProgramEnding};
  game::SetObserver(&observer);
  if (!recorder.options.recordFile.empty()) StartRecord();
  if (recorder.options.Online()) PlayOnline();
  display::headless::Select(display::headless::Timing::Virtual);
  display::headless::SetPassHook(recorder.replay ? OnReplayPass : OnPass);
  game::RunProgram();
}
