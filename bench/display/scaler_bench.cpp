// Scaling the whole 640 x 480 page into a window at 2x and 3x, beside the floor:
// memcpy of the same number of output bytes (what even an unscaled copy of that
// many pixels costs).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "display/platform/sdl/scaler.h"

namespace {

using display::platform::FitPage;
using display::platform::ScaleRows;

constexpr int32_t PAGE_W = 640, PAGE_H = 480;

void BM_ScalePage(benchmark::State& state) {
  const int32_t scale = int32_t(state.range(0));
  const int32_t w = PAGE_W * scale, h = PAGE_H * scale;
  std::vector<uint32_t> page(PAGE_W * PAGE_H);
  for (size_t i = 0; i < page.size(); ++i) page[i] = uint32_t(i * 2654435761u);
  std::vector<uint32_t> window(size_t(w) * size_t(h));
  const auto layout = FitPage(PAGE_W, PAGE_H, w, h);
  for (auto _ : state) {
    ScaleRows(reinterpret_cast<const uint8_t*>(page.data()), PAGE_W * 4, PAGE_W, PAGE_H, 0,
              PAGE_H - 1, layout, reinterpret_cast<uint8_t*>(window.data()), uint32_t(w) * 4);
    benchmark::DoNotOptimize(window.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(window.size()) * 4);
}
BENCHMARK(BM_ScalePage)->Arg(2)->Arg(3);

// The floor: copying as many bytes as the scaled page has.
void BM_MemcpyOutputBytes(benchmark::State& state) {
  const size_t bytes = size_t(PAGE_W * state.range(0)) * size_t(PAGE_H * state.range(0)) * 4;
  std::vector<uint8_t> source(bytes, 1), target(bytes);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), bytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_MemcpyOutputBytes)->Arg(2)->Arg(3);

}  // namespace

BENCHMARK_MAIN();
