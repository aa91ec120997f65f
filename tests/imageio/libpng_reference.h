// libpng as the reference PNG decoder for tests, fuzzing and benchmarks: the
// classic API set to 8-bit RGBA output (palette and low-bit gray expanded, 16-bit
// samples cut to their high byte, "tRNS" turned into alpha, no gamma handling).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace imageio::testing {

struct ReferenceImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgba;  // red, green, blue, alpha; top row first
};

// Decodes `size` bytes; false when libpng reports an error. Prints nothing.
bool DecodeWithLibpng(const uint8_t* data, size_t size, ReferenceImage* out);

}  // namespace imageio::testing
