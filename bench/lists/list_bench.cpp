// ListI32 beside std::list<int32_t>: push one million values at the back, then walk
// them all. Each iteration builds, walks and destroys a whole list.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <list>

#include "lists/list.h"

namespace {

constexpr int32_t kElements = 1'000'000;

void BM_ListI32PushBackWalk(benchmark::State& state) {
  for (auto _ : state) {
    lists::ListI32 list;
    for (int32_t i = 0; i < kElements; ++i) list.PushBack(i);
    int64_t sum = 0;
    for (auto it = list.Begin(); it != list.End(); it.Next()) sum += *it.Value();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_ListI32PushBackWalk)->Unit(benchmark::kMillisecond);

void BM_StdListPushBackWalk(benchmark::State& state) {
  for (auto _ : state) {
    std::list<int32_t> list;
    for (int32_t i = 0; i < kElements; ++i) list.push_back(i);
    int64_t sum = 0;
    for (int32_t v : list) sum += v;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_StdListPushBackWalk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
