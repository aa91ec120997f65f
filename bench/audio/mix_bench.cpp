// Mixing one device buffer (512 stereo frames) with every effect voice busy and
// both engines running, beside copying the buffer's bytes and beside copying every
// byte the mix reads and writes, in the same run. The audio thread must mix a
// buffer in a small fraction of the 10.7 ms it lasts.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "audio/mixer.h"
#include "audio/output.h"

namespace {

constexpr size_t OUTPUT_BYTES = audio::BUFFER_FRAMES * audio::CHANNELS * sizeof(float);
// Each voice reads one mono float per frame.
constexpr size_t TOUCHED_BYTES =
    OUTPUT_BYTES + audio::VOICE_COUNT * audio::BUFFER_FRAMES * sizeof(float);

const audio::Bank& SharedBank() {
  static const audio::Bank bank = audio::MakeBank();
  return bank;
}

void BM_MixBufferAllVoicesBusy(benchmark::State& state) {
  audio::Mixer mixer(SharedBank());
  mixer.SetEngine(audio::Source::Green, 3.3f, 0.6f);
  mixer.SetEngine(audio::Source::Blue, 2.1f, -0.6f);
  std::vector<float> out(audio::BUFFER_FRAMES * audio::CHANNELS);
  float pan = -1.0f;
  for (auto _ : state) {
    // Voices that ended are started again, so every buffer mixes them all.
    while (mixer.BusyVoices() < audio::VOICE_COUNT) {
      mixer.Handle({audio::EventType::ShotFired, audio::Source::Green, {}, pan});
      pan = pan > 0.9f ? -1.0f : pan + 0.15f;
    }
    mixer.Render(out.data(), audio::BUFFER_FRAMES);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(OUTPUT_BYTES));
}
BENCHMARK(BM_MixBufferAllVoicesBusy);

void BM_CopyBytes(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(state.range(0));
  std::vector<char> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_CopyBytes)->Arg(OUTPUT_BYTES)->Arg(TOUCHED_BYTES);

}  // namespace

BENCHMARK_MAIN();
