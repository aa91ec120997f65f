// One full frame step (both tanks turning and moving, all 26 shots in flight,
// both fire keys held) beside a memset of the 640 x 480 page, its floor, in the
// same run; the same frame step with the computer player choosing blue's keys
// (its peer: it should cost at most twice as much); the same step's rules alone
// (what a rollback re-runs: at most 20 us) and the rules fingerprint. Each
// reports the median and the worst single iteration.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <vector>

#include "display/headless.h"
#include "display/keys.h"
#include "display/screen.h"
#include "game/computer/computer_player.h"
#include "game/fingerprint.h"
#include "game/frame_step.h"
#include "game/key_source.h"
#include "game/match_state.h"
#include "game/rules.h"
#include "game/startup.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs `body` once per iteration, timing each, and reports median and worst in
// microseconds.
template <typename Body>
void TimeEach(benchmark::State& state, Body body) {
  std::vector<double> times;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    body();
    times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  if (times.empty()) return;
  std::sort(times.begin(), times.end());
  state.counters["median_us"] = times[times.size() / 2];
  state.counters["worst_us"] = times.back();
}

// Both tanks mid-arena, moving and turning; every slot of both tanks flying in
// open space, away from the bird and the tanks, where no shot expires in one step.
game::MatchState BusyMatch(game::MatchState state) {
  state.green.x = 420.0;
  state.green.y = 100.0;
  state.green.speed = 3.0;
  state.blue.x = 150.0;
  state.blue.y = 330.0;
  state.blue.speed = 3.0;
  for (int i = 0; i < game::SHOT_SLOTS; ++i) {
    state.green.shots[i] = {60.0 + 10.0 * i, 300.0, 45 + i, 1};
    state.blue.shots[i] = {400.0 + 10.0 * i, 300.0, 315 - i, 1};
  }
  return state;
}

// `computerLevel` 0: both tanks on the keyboard; else the computer drives blue.
void RunBusyFrameSteps(benchmark::State& state, int computerLevel) {
  display::headless::Select(display::headless::Timing::Virtual);
  display::SetScreenMode(640, 480, 32, 1, 0, 0);
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(BRAZDOVAR_SOURCE_DIR "/assets");
  game::LoadSprites(game::Match());
  std::filesystem::current_path(saved);
  for (int32_t key : {display::KEY_LEFT, display::KEY_UP, display::KEY_CTRL, display::KEY_G,
                      display::KEY_R, display::KEY_A}) {
    display::headless::SetKey(key, true);
  }
  display::headless::Advance(10);  // one window pass reads the keys
  const game::MatchState busy = BusyMatch(game::Match());
  game::computer::ComputerPlayer computer(game::TankSide::Blue, std::max(computerLevel, 1), 1);
  if (computerLevel != 0) game::SetKeyChooser(game::TankSide::Blue, &computer);

  TimeEach(state, [&] {
    game::Match() = busy;  // a few hundred bytes: the same busy frame every time
    game::FrameStep();
  });
  game::SetKeyChooser(game::TankSide::Blue, nullptr);
  display::CloseScreen();
}

void BM_FrameStep(benchmark::State& state) { RunBusyFrameSteps(state, 0); }
BENCHMARK(BM_FrameStep);

void BM_FrameStepWithComputer(benchmark::State& state) {
  RunBusyFrameSteps(state, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_FrameStepWithComputer)->Arg(1)->Arg(3);

// The keys the full frame steps hold: green left, up and Ctrl; blue G, R and A.
void BM_RulesStep(benchmark::State& state) {
  const game::MatchState busy = BusyMatch(game::MatchState{});
  game::MatchState match;
  TimeEach(state, [&] {
    match = busy;
    benchmark::DoNotOptimize(
        game::RulesStep(match, game::TANK_LEFT | game::TANK_ACCELERATE | game::TANK_FIRE,
                        game::TANK_RIGHT | game::TANK_ACCELERATE | game::TANK_FIRE));
    benchmark::ClobberMemory();
  });
}
BENCHMARK(BM_RulesStep);

void BM_RulesFingerprint(benchmark::State& state) {
  TimeEach(state, [] { benchmark::DoNotOptimize(game::RulesFingerprint()); });
}
BENCHMARK(BM_RulesFingerprint);

void BM_PageMemset(benchmark::State& state) {
  std::vector<uint32_t> page(640 * 480);
  TimeEach(state, [&] {
    std::memset(page.data(), 0, page.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(page.data());
    benchmark::ClobberMemory();
  });
}
BENCHMARK(BM_PageMemset);

}  // namespace

BENCHMARK_MAIN();
