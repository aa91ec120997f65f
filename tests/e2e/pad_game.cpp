// The game program with SDL virtual gamepads (or XTest keys) pressed from inside
// its own process, for the gamepad tests. Usage: e2e_pad_game SCENARIO
//
//   keys KEYSYM        hold the key (XK_ name without XK_) for 15 frame steps
//   pad N BUTTON       attach N virtual pads, hold BUTTON (dpleft ...) on the
//                      last one for 15 frame steps
//   detach             pad 1 holds d-pad left and is detached mid-match; then a
//                      new pad is attached and takes the free (green) tank
//   matchover          pad 1 fires into the bird; Start answers the match-over
//                      screen with a new match, then fire again and Back quits
//
// Frame steps are written to stdout as "keysHeld green(heading x y) blue(...)"
// from the first one with a key held (40 of them), events as "# what".
#include <SDL2/SDL.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "game/observer.h"
#include "game/startup.h"
#include "x_session.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* TITLE = "Brazdovar - DEATHMATCH | 2 igraca";
constexpr int HOLD_FRAMES = 15, RECORDED_FRAMES = 40;

std::mutex mutex;
std::condition_variable changed;
std::vector<std::string> frames;  // every frame step, in order
std::vector<uint32_t> keys;       // its held keys
int decided = 0, newMatches = 0;

void Event(const char* what) {
  std::printf("# %s\n", what);
  std::fflush(stdout);
}

void FrameStepEnded(const game::MatchState& s, uint32_t held) {
  char line[160];
  std::snprintf(line, sizeof line, "%03x %d %.3f %.3f %d %.3f %.3f", held, s.green.heading,
                s.green.x, s.green.y, s.blue.heading, s.blue.x, s.blue.y);
  std::lock_guard guard(mutex);
  frames.emplace_back(line);
  keys.push_back(held);
  changed.notify_all();
}

void MatchDecided(const game::MatchState&, std::string_view, int32_t) {
  Event("match decided");
  std::lock_guard guard(mutex);
  ++decided;
  changed.notify_all();
}

void NewMatch(const game::MatchState&) {
  Event("new match");
  std::lock_guard guard(mutex);
  ++newMatches;
  changed.notify_all();
}

void ProgramEnding(int32_t status) {
  std::printf("# ending %d\n", status);
  std::fflush(stdout);
}

// Waits until `done` holds (under the lock); gives up the whole run after 20 s.
void WaitFor(const std::function<bool()>& done) {
  std::unique_lock lock(mutex);
  if (!changed.wait_for(lock, 20s, done)) {
    Event("timed out");
    _exit(3);
  }
}

size_t FrameCount() { return frames.size(); }

// Frames with all of `bits` held so far.
int HeldFrames(uint32_t bits) {
  int count = 0;
  for (uint32_t k : keys) count += (k & bits) == bits;
  return count;
}

// Writes the recorded frames from the first with a key held, then ends the run.
[[noreturn]] void WriteFramesAndExit() {
  WaitFor([] {
    for (size_t i = 0; i < keys.size(); ++i) {
      if (keys[i] != 0) return keys.size() >= i + RECORDED_FRAMES;
    }
    return false;
  });
  std::lock_guard guard(mutex);
  size_t first = 0;
  while (keys[first] == 0) ++first;
  for (size_t i = first; i < first + RECORDED_FRAMES; ++i) std::printf("%s\n", frames[i].c_str());
  std::fflush(stdout);
  _exit(0);
}

// A virtual pad with every button and axis of a game controller, mapped one to
// one (SDL's button and axis numbers) by a mapping added for its GUID.
class VirtualPad {
 public:
  static void AddMapping() {
    const int index = Attach();
    char guid[33];
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
    SDL_JoystickDetachVirtual(index);
    // SDL's game controller buttons 0-14 and axes 0-5, in SDL's own order.
    const std::string mapping = std::string(guid) +
                                ",Test pad,a:b0,b:b1,x:b2,y:b3,back:b4,guide:b5,start:b6,"
                                "leftstick:b7,rightstick:b8,leftshoulder:b9,rightshoulder:b10,"
                                "dpup:b11,dpdown:b12,dpleft:b13,dpright:b14,leftx:a0,lefty:a1,"
                                "rightx:a2,righty:a3,lefttrigger:a4,righttrigger:a5,";
    if (SDL_GameControllerAddMapping(mapping.c_str()) < 0) Event("mapping refused");
  }

  VirtualPad() : joystick_(SDL_JoystickOpen(Attach())) {
    if (joystick_ == nullptr) Event("pad not attached");
  }

  void Set(const char* button, bool down) {
    const auto b = SDL_GameControllerGetButtonFromString(button);
    SDL_JoystickSetVirtualButton(joystick_, b, down ? 1 : 0);
  }

  void Detach() {
    const SDL_JoystickID id = SDL_JoystickInstanceID(joystick_);
    SDL_JoystickClose(joystick_);
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
      if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }
  }

 private:
  static int Attach() {
    SDL_VirtualJoystickDesc desc;
    std::memset(&desc, 0, sizeof desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Test pad";
    return SDL_JoystickAttachVirtualEx(&desc);
  }

  SDL_Joystick* joystick_;
};

// Holds `press` until HOLD_FRAMES frame steps saw `bits`, then `release`s.
void Hold(uint32_t bits, const std::function<void()>& press, const std::function<void()>& release) {
  WaitFor([] { return FrameCount() >= 10; });
  press();
  WaitFor([bits] { return HeldFrames(bits) >= HOLD_FRAMES; });
  release();
}

uint32_t HeldBit(const std::string& name, int player) {
  if (name == "dpleft") return player == 1 ? game::HELD_LEFT : game::HELD_D;
  if (name == "a") return player == 1 ? game::HELD_UP : game::HELD_R;
  if (name == "x") return player == 1 ? game::HELD_CTRL : game::HELD_A;
  return 0;
}

void Drive(std::vector<std::string> args) {
  WaitFor([] { return FrameCount() >= 3; });  // the window and the pads are up
  e2e::XSession x;
  const Window window = x.FindWindow(TITLE, getpid(), 10s);
  x.Focus(window);
  VirtualPad::AddMapping();

  if (args[0] == "keys") {
    const KeySym key = XStringToKeysym(args[1].c_str());
    const uint32_t bit = key == XK_Left ? uint32_t{game::HELD_LEFT}
                         : key == XK_d  ? uint32_t{game::HELD_D}
                                        : 0;
    Hold(
        bit, [&] { x.PressKey(key); }, [&] { x.ReleaseKey(key); });
    WriteFramesAndExit();
  }
  if (args[0] == "pad") {
    const int count = std::stoi(args[1]);
    std::vector<VirtualPad> pads(static_cast<size_t>(count));
    VirtualPad& pad = pads.back();
    const char* button = args[2].c_str();
    Hold(
        HeldBit(args[2], count), [&] { pad.Set(button, true); }, [&] { pad.Set(button, false); });
    WriteFramesAndExit();
  }
  if (args[0] == "detach") {
    auto pad = std::make_unique<VirtualPad>();
    WaitFor([] { return FrameCount() >= 10; });
    pad->Set("dpleft", true);
    WaitFor([] { return HeldFrames(game::HELD_LEFT) >= 10; });
    pad->Detach();
    Event("detached");
    size_t detachedAt;
    {
      std::lock_guard guard(mutex);
      detachedAt = frames.size();
    }
    WaitFor([detachedAt] { return FrameCount() >= detachedAt + 20; });
    VirtualPad later;
    later.Set("dpleft", true);
    WaitFor([] { return HeldFrames(game::HELD_LEFT) >= 15; });
    Event("taken again");
    WriteFramesAndExit();
  }
  if (args[0] == "matchover") {
    VirtualPad pad;
    pad.Set("x", true);  // green's shot flies into the bird
    WaitFor([] { return decided >= 1; });
    pad.Set("x", false);
    std::this_thread::sleep_for(300ms);
    pad.Set("start", true);
    WaitFor([] { return newMatches >= 1; });
    pad.Set("start", false);
    pad.Set("x", true);
    WaitFor([] { return decided >= 2; });
    pad.Set("x", false);
    std::this_thread::sleep_for(300ms);
    pad.Set("back", true);  // the game ends the program itself
    return;
  }
  Event("unknown scenario");
  _exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  static const game::Observer observer{FrameStepEnded, MatchDecided, NewMatch, ProgramEnding};
  game::SetObserver(&observer);
  std::thread(Drive, std::vector<std::string>(argv + 1, argv + argc)).detach();
  game::RunProgram();
}
