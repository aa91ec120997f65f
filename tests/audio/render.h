// Helpers for the audio tests: rendering a mixer into a buffer and measuring it.
#pragma once
#include <algorithm>
#include <cmath>
#include <vector>

#include "audio/mixer.h"

namespace audio::testing {

inline int FramesIn(double seconds) { return static_cast<int>(seconds * SAMPLE_RATE); }

// Renders `seconds` of the mix in buffers of the device's size.
inline std::vector<float> Render(Mixer& mixer, double seconds) {
  std::vector<float> out(static_cast<size_t>(FramesIn(seconds)) * CHANNELS);
  for (size_t frame = 0; frame * CHANNELS < out.size(); frame += 512) {
    const int count = static_cast<int>(std::min<size_t>(512, out.size() / CHANNELS - frame));
    mixer.Render(out.data() + frame * CHANNELS, count);
  }
  return out;
}

// One channel (0 left, 1 right) of an interleaved stereo buffer.
inline std::vector<float> Channel(const std::vector<float>& stereo, int channel) {
  std::vector<float> out;
  for (size_t i = channel; i < stereo.size(); i += CHANNELS) out.push_back(stereo[i]);
  return out;
}

inline float Peak(const std::vector<float>& samples) {
  float peak = 0.0f;
  for (float s : samples) peak = std::max(peak, std::fabs(s));
  return peak;
}

inline double Rms(const std::vector<float>& samples) {
  double sum = 0.0;
  for (float s : samples) sum += double(s) * s;
  return samples.empty() ? 0.0 : std::sqrt(sum / samples.size());
}

}  // namespace audio::testing
