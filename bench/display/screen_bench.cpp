// Clearing a locked 640x480x32 frame, beside a plain memset of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "display/headless.h"
#include "display/screen.h"

namespace {

constexpr size_t PAGE_BYTES = 640 * 480 * 4;  // 1,228,800

void OpenScreen() {
  display::headless::Select(display::headless::Timing::Virtual);
  display::SetScreenMode(640, 480, 32, 1, 0, 0);
}

void BM_LockClearUnlock(benchmark::State& state) {
  OpenScreen();
  for (auto _ : state) {
    display::LockScreen();
    display::ClearScreen(display::ARG_DEFAULT);
    display::UnlockScreen(-1, -1);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(PAGE_BYTES));
  display::CloseScreen();
}
BENCHMARK(BM_LockClearUnlock);

void BM_MemsetPage(benchmark::State& state) {
  std::vector<uint8_t> page(PAGE_BYTES);
  for (auto _ : state) {
    std::memset(page.data(), 0, PAGE_BYTES);
    benchmark::DoNotOptimize(page.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(PAGE_BYTES));
}
BENCHMARK(BM_MemsetPage);

}  // namespace

BENCHMARK_MAIN();
