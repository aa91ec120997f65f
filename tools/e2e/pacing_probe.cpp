// brazdovar-pacing: how the running game feels, measured from outside. Starts the
// game on the X server in $DISPLAY (Xvfb), watches the green tank's square by
// reading it back about every 0.5 ms, and prints
//   - the interval between shown frames while Left is held (the tank turns every
//     frame): median, p90, max, standard deviation and mean;
//   - the time from a key press (XTest, at random moments) to the first changed
//     picture: min, median, p90 and max;
//   - the game's CPU use over the whole run, as a share of one core.
// With --online it then measures the same again in online play, in the same run:
// the game hosts (input delay 0) on a free loopback port, a second game joins it
// (its window moved aside, its keys idle), and the host's own green tank is
// watched.
// With --startup N it instead starts the game N times with a sound device (SDL's
// dummy driver) and N times with SDL's own choice (no device on a machine without
// a sound card), and prints the median time from start to the window and to the
// first frame of the arena.
// It never judges the figures: it fails only when the game cannot be started or
// watched.
//
//   xvfb-run -a -s '-screen 0 1024x768x24' build/tools/e2e/brazdovar-pacing
//       build/src/game/brazdovar assets [--online] [--seconds 5] [--presses 30]
//       [--seed N] [--startup N]
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "free_port.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* TITLE = "Brazdovar - DEATHMATCH | 2 igraca";
// The green tank's square at the start of a match; turning keeps it there.
constexpr int TANK_X = 488, TANK_Y = 216, TANK_SIZE = 48;
constexpr auto POLL = 500us;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int IgnoreError(Display*, XErrorEvent*) { return 0; }

struct Options {
  std::string program, workdir;
  double seconds = 5.0;
  int presses = 30;
  std::optional<unsigned> seed;
  int startups = 0;  // start-up runs per sound set-up; 0 measures pacing instead
  bool list = false;  // also print every value
  bool online = false;  // also measure online play
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  if (argc < 3) return std::nullopt;
  Options options;
  options.program = argv[1];
  options.workdir = argv[2];
  int i = 3;
  for (; i < argc && (argv[i] == std::string("--list") || argv[i] == std::string("--online"));
       ++i) {
    (argv[i] == std::string("--list") ? options.list : options.online) = true;
  }
  for (; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    if (name == "--seconds") {
      options.seconds = std::atof(argv[i + 1]);
    } else if (name == "--presses") {
      options.presses = std::atoi(argv[i + 1]);
    } else if (name == "--startup") {
      options.startups = std::atoi(argv[i + 1]);
    } else if (name == "--seed") {
      options.seed = unsigned(std::strtoul(argv[i + 1], nullptr, 10));
    } else {
      return std::nullopt;
    }
  }
  if (i != argc || options.seconds <= 0 || options.presses < 1 || options.startups < 0) {
    return std::nullopt;
  }
  return options;
}

// The game, started in its sprite folder; killed if still running at the end.
class Game {
 public:
  // Its replays go to a folder of the probe's own, removed with the game.
  Game(const std::string& program, const std::string& workdir,
       const std::vector<std::string>& arguments = {}) {
    std::vector<char*> argv;
    char* absolute = realpath(program.c_str(), nullptr);  // the child changes directory first
    if (absolute == nullptr) return;
    if (mkdtemp(state_.data()) == nullptr) state_.clear();
    argv.push_back(absolute);
    for (const std::string& argument : arguments) {
      argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      if (chdir(workdir.c_str()) != 0) _exit(127);
      if (!state_.empty()) setenv("XDG_STATE_HOME", state_.c_str(), 1);
      execv(absolute, argv.data());
      _exit(127);
    }
    std::free(absolute);
  }
  ~Game() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    if (!state_.empty()) std::filesystem::remove_all(state_, ignored);
  }
  pid_t pid() const { return pid_; }
  // Ends the game the way a user does (a close request), waiting up to 2 s.
  void Close(Display* display, Window window) {
    Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    for (int i = 0; i < 200; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      std::this_thread::sleep_for(10ms);
    }
  }
  // User plus system CPU time so far, in seconds.
  double CpuSeconds() const {
    std::ifstream file("/proc/" + std::to_string(pid_) + "/stat");
    std::string line;
    std::getline(file, line);
    const size_t end = line.rfind(')');
    if (end == std::string::npos) return 0;
    std::vector<std::string> fields;
    std::string field;
    for (char c : line.substr(end + 2)) {
      if (c == ' ') {
        fields.push_back(field);
        field.clear();
      } else {
        field += c;
      }
    }
    if (fields.size() < 13) return 0;  // utime and stime are fields 14 and 15
    return double(std::stoull(fields[11]) + std::stoull(fields[12])) / double(sysconf(_SC_CLK_TCK));
  }

 private:
  pid_t pid_ = -1;
  std::string state_ = "/tmp/brazdovar-pacing-XXXXXX";
};

std::optional<unsigned long> Cardinal(Display* display, Window window, const char* name) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1, False,
                         XA_CARDINAL, &type, &format, &count, &after, &data) != Success ||
      data == nullptr) {
    return std::nullopt;
  }
  std::optional<unsigned long> value;
  if (count == 1 && format == 32) value = *reinterpret_cast<unsigned long*>(data);
  XFree(data);
  return value;
}

// The game's viewable top-level window with the match title, or 0.
Window FindGameWindow(Display* display, pid_t pid) {
  Window root = DefaultRootWindow(display), parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, root, &root, &parent, &children, &count)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && found == 0; ++i) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, children[i], &attributes) ||
        attributes.map_state != IsViewable) {
      continue;
    }
    char* name = nullptr;
    if (XFetchName(display, children[i], &name) && name != nullptr) {
      const auto owner = Cardinal(display, children[i], "_NET_WM_PID");
      if (std::strcmp(name, TITLE) == 0 && (!owner || pid_t(*owner) == pid)) found = children[i];
      XFree(name);
    }
  }
  if (children != nullptr) XFree(children);
  return found;
}

// Reads the watched square back and tells whether it differs from the last read.
class Watcher {
 public:
  Watcher(Display* display, Window window) : display_(display), window_(window) {}
  bool Changed() {
    XImage* image = XGetImage(display_, window_, TANK_X, TANK_Y, TANK_SIZE, TANK_SIZE, AllPlanes,
                              ZPixmap);
    if (image == nullptr) return false;
    const size_t bytes = size_t(image->bytes_per_line) * size_t(image->height);
    const bool changed = last_.size() == bytes && std::memcmp(last_.data(), image->data, bytes) != 0;
    last_.assign(image->data, image->data + bytes);
    XDestroyImage(image);
    return changed;
  }

 private:
  Display* display_;
  Window window_;
  std::vector<char> last_;
};

struct Summary {
  double min = 0, median = 0, p90 = 0, max = 0, mean = 0, sd = 0;
};

Summary Summarise(std::vector<double> values) {
  Summary s;
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  const auto rank = [&](double q) {  // nearest rank
    const size_t index = size_t(std::ceil(q * double(values.size())));
    return values[std::clamp<size_t>(index, 1, values.size()) - 1];
  };
  s.min = values.front();
  s.max = values.back();
  s.median = rank(0.5);
  s.p90 = rank(0.9);
  double sum = 0;
  for (double v : values) sum += v;
  s.mean = sum / double(values.size());
  double squares = 0;
  for (double v : values) squares += (v - s.mean) * (v - s.mean);
  s.sd = std::sqrt(squares / double(values.size()));
  return s;
}

void Key(Display* display, KeyCode code, bool down) {
  XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
  XSync(display, False);
}

// Polls until the square changes; the time of the change, or nullopt at the deadline.
std::optional<Clock::time_point> WaitForChange(Watcher& watcher, Clock::time_point deadline) {
  while (Clock::now() < deadline) {
    if (watcher.Changed()) return Clock::now();
    std::this_thread::sleep_for(POLL);
  }
  return std::nullopt;
}

// Polls until the square has stayed the same for `quiet`.
void WaitForStill(Watcher& watcher, Clock::duration quiet) {
  auto still = Clock::now();
  const auto deadline = still + 2s;
  while (Clock::now() - still < quiet && Clock::now() < deadline) {
    if (watcher.Changed()) still = Clock::now();
    std::this_thread::sleep_for(POLL);
  }
}

// Whether the arena's top-left block shows: the first frame has been drawn.
bool ShowsArena(Display* display, Window window) {
  XImage* image = XGetImage(display, window, 0, 0, 32, 32, AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  bool lit = false;
  for (int y = 0; y < 32 && !lit; ++y) {
    for (int x = 0; x < 32 && !lit; ++x) lit = (XGetPixel(image, x, y) & 0xFFFFFFu) != 0;
  }
  XDestroyImage(image);
  return lit;
}

// One start of the game: milliseconds to its window and to the first frame, or
// nullopt when either does not come within 10 s.
std::optional<std::pair<double, double>> TimeStartUp(Display* display, const Options& options) {
  const auto start = Clock::now();
  Game game(options.program, options.workdir);
  if (game.pid() <= 0) return std::nullopt;
  const auto deadline = start + 10s;
  Window window = 0;
  while (window == 0 && Clock::now() < deadline) {
    std::this_thread::sleep_for(POLL);
    window = FindGameWindow(display, game.pid());
  }
  if (window == 0) return std::nullopt;
  const double toWindow = Ms(Clock::now() - start);
  while (!ShowsArena(display, window)) {
    if (Clock::now() > deadline) return std::nullopt;
    std::this_thread::sleep_for(POLL);
  }
  const double toFrame = Ms(Clock::now() - start);
  game.Close(display, window);
  return std::pair{toWindow, toFrame};
}

// Start-up with and without a sound device, `options.startups` runs each.
int MeasureStartUps(Display* display, const Options& options) {
  for (const char* driver : {"dummy", static_cast<const char*>(nullptr)}) {
    driver != nullptr ? setenv("SDL_AUDIODRIVER", driver, 1) : unsetenv("SDL_AUDIODRIVER");
    std::vector<double> windows, frames;
    for (int run = 0; run < options.startups; ++run) {
      const auto times = TimeStartUp(display, options);
      if (!times) {
        std::fprintf(stderr, "the game's window or first frame did not appear\n");
        return 1;
      }
      windows.push_back(times->first);
      frames.push_back(times->second);
    }
    std::printf("start-up %s (median of %d): window %.1f ms, first frame %.1f ms\n",
                driver != nullptr ? "with a device (dummy driver)" : "without a device",
                options.startups, Summarise(windows).median, Summarise(frames).median);
  }
  return 0;
}

// The game's window, looked up again a second after it appears (it may be
// replaced once just then); 0 if none within 10 s.
Window AwaitWindow(Display* display, const Game& game) {
  Window window = 0;
  for (auto deadline = Clock::now() + 10s; window == 0 && Clock::now() < deadline;) {
    std::this_thread::sleep_for(50ms);
    window = FindGameWindow(display, game.pid());
  }
  if (window == 0) return 0;
  std::this_thread::sleep_for(1s);
  if (Window again = FindGameWindow(display, game.pid())) window = again;
  return window;
}

struct Measured {
  std::vector<double> intervals, latencies;
  int missed = 0;
  double wall = 0, cpu = 0;  // seconds
};

// Frame intervals with Left held, then presses of Left timed to the changed picture.
Measured Measure(Display* display, const Options& options, Game& game, Window window,
                 std::mt19937& random) {
  XWarpPointer(display, 0, window, 0, 0, 0, 0, 320, 240);
  XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
  XSync(display, False);
  std::this_thread::sleep_for(200ms);

  const KeyCode left = XKeysymToKeycode(display, XK_Left);
  Measured measured;
  const double cpuStart = game.CpuSeconds();
  const auto runStart = Clock::now();
  Watcher watcher(display, window);
  watcher.Changed();

  // Frame intervals: Left held, the tank turns 3 degrees every frame.
  Key(display, left, true);
  std::optional<Clock::time_point> previous;
  for (auto end = Clock::now() + std::chrono::duration<double>(options.seconds);
       Clock::now() < end;) {
    if (watcher.Changed()) {
      const auto now = Clock::now();
      if (previous) measured.intervals.push_back(Ms(now - *previous));
      previous = now;
    }
    std::this_thread::sleep_for(POLL);
  }
  Key(display, left, false);

  // Press to picture: after the picture settles, wait a random time spanning
  // three frame periods, press Left, and time the first changed picture.
  std::uniform_int_distribution<int> delayUs(0, 105'000);
  for (int i = 0; i < options.presses; ++i) {
    WaitForStill(watcher, 80ms);
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    watcher.Changed();
    const auto pressed = Clock::now();
    Key(display, left, true);
    const auto changed = WaitForChange(watcher, pressed + 500ms);
    Key(display, left, false);
    if (changed) {
      measured.latencies.push_back(Ms(*changed - pressed));
    } else {
      ++measured.missed;
    }
  }
  measured.wall = Ms(Clock::now() - runStart) / 1000.0;
  measured.cpu = game.CpuSeconds() - cpuStart;
  return measured;
}

void Print(const char* play, const Options& options, const Measured& measured) {
  const Summary frames = Summarise(measured.intervals);
  std::printf("%sframe interval, Left held %.1f s (%zu intervals): median %.1f ms, p90 %.1f, "
              "max %.1f, sd %.2f, mean %.2f\n",
              play, options.seconds, measured.intervals.size(), frames.median, frames.p90,
              frames.max, frames.sd, frames.mean);
  const Summary response = Summarise(measured.latencies);
  std::printf("%spress to picture (%zu presses%s): min %.1f ms, median %.1f, p90 %.1f, max %.1f\n",
              play, measured.latencies.size(), measured.missed > 0 ? ", some unanswered" : "",
              response.min, response.median, response.p90, response.max);
  if (options.list) {
    for (const auto* values : {&measured.intervals, &measured.latencies}) {
      for (double value : *values) std::printf("%.1f ", value);
      std::printf("\n");
    }
  }
  std::printf("%sCPU of the game: %.2f%% of one core over %.1f s\n", play,
              100.0 * measured.cpu / measured.wall, measured.wall);
}

// The game hosting with input delay 0 and a second game joined to it over the
// loopback, measured like local play on the host's own (green) tank.
int MeasureOnline(Display* display, const Options& options, std::mt19937& random) {
  const std::string port = std::to_string(e2e::FreeLoopbackUdpPort());
  Game host(options.program, options.workdir, {"--host=" + port, "--input-delay=0"});
  const Window window = AwaitWindow(display, host);
  Game joiner(options.program, options.workdir,
              {"--join=127.0.0.1:" + port, "--input-delay=0"});
  const Window joinWindow = AwaitWindow(display, joiner);
  if (window == 0 || joinWindow == 0) {
    std::fprintf(stderr, "the online games' windows did not appear\n");
    return 1;
  }
  // Off the screen: a window read back where another covers it shows the other's pixels.
  XMoveWindow(display, joinWindow, DisplayWidth(display, DefaultScreen(display)), 0);
  XSync(display, False);
  for (auto deadline = Clock::now() + 10s; !ShowsArena(display, window);) {
    if (Clock::now() > deadline) {
      std::fprintf(stderr, "the online session did not begin\n");
      return 1;
    }
    std::this_thread::sleep_for(10ms);
  }
  const Measured measured = Measure(display, options, host, window, random);
  host.Close(display, window);
  Print("online, input delay 0: ", options, measured);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const auto options = ParseOptions(argc, argv);
  if (!options) {
    std::fprintf(stderr,
                 "usage: %s PROGRAM WORKDIR [--list] [--online] [--seconds S] [--presses N]\n"
                 "       [--seed N] [--startup N]\n"
                 "  runs PROGRAM (the game) in WORKDIR on the X server in $DISPLAY\n",
                 argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  int event, error, major, minor;
  if (display == nullptr || !XTestQueryExtension(display, &event, &error, &major, &minor)) {
    std::fprintf(stderr, "no X server with XTest in DISPLAY\n");
    return 1;
  }
  XSetErrorHandler(IgnoreError);
  if (options->startups > 0) return MeasureStartUps(display, *options);
  std::mt19937 random(options->seed ? *options->seed : std::random_device{}());
  int status = 0;
  {
    Game game(options->program, options->workdir);
    if (game.pid() <= 0) {
      std::fprintf(stderr, "cannot start %s\n", options->program.c_str());
      return 1;
    }
    const Window window = AwaitWindow(display, game);
    if (window == 0) {
      std::fprintf(stderr, "the game's window did not appear\n");
      return 1;
    }
    const Measured measured = Measure(display, *options, game, window, random);
    game.Close(display, window);
    Print(options->online ? "local: " : "", *options, measured);
  }
  if (options->online) status = MeasureOnline(display, *options, random);
  XCloseDisplay(display);
  return status;
}
