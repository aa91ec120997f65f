// The volume, kept as an atomic gain the audio thread reads once per buffer.
#include "audio/volume.h"

#include <algorithm>
#include <atomic>

namespace audio {
namespace {

std::atomic<float> gain{1.0f};

}  // namespace

void SetVolume(int percent) {
  gain.store(static_cast<float>(std::clamp(percent, 0, 100)) / 100.0f);
}

void ApplyVolume(float* samples, int count) {
  const float g = gain.load(std::memory_order_relaxed);
  if (g == 1.0f) return;
  for (int i = 0; i < count; ++i) samples[i] *= g;
}

}  // namespace audio
