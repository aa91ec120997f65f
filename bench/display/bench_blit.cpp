// PutImage against memcpy of the same bytes: a 48x48 sprite (opaque and
// transparent) and a full 640x480 image onto the screen page.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "display/blit.h"
#include "display/headless.h"
#include "display/image.h"
#include "display/screen.h"

namespace {

// A sprite with a key-coloured border around a busy middle, like the tanks.
display::ImagePtr MakeImage(int size_x, int size_y) {
  display::ImagePtr image(display::CreateImage(size_x, size_y, 0, 0, display::DEFAULT_COLOUR_FLAG));
  for (int y = 0; y < size_y; ++y) {
    uint32_t* row = display::ImageRow32(image.get(), uint32_t(y));
    for (int x = 0; x < size_x; ++x) {
      const bool border = x < 8 || y < 8 || x >= size_x - 8 || y >= size_y - 8;
      if (!border) row[x] = 0xFF000000u | uint32_t(x * 2654435761u ^ y);
    }
  }
  return image;
}

void BM_PutImage(benchmark::State& state, int width, int height, const display::Putter* putter) {
  display::ImagePtr image = MakeImage(width, height);
  for (auto _ : state) {
    display::PutImage(nullptr, 0.0f, 0.0f, image.get(), display::ARG_DEFAULT, 0, 0, 0, 0,
                      putter == &display::PutOpaque ? 1 : 0, *putter);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{width} * height * 4);
}

// The floor: the same rows copied with memcpy, pitch for pitch.
void BM_Memcpy(benchmark::State& state, int width, int height) {
  display::ImagePtr image = MakeImage(width, height);
  std::vector<uint8_t> page(640 * 480 * 4);
  const size_t rowBytes = size_t(width) * 4;
  for (auto _ : state) {
    if (width == 640) {
      std::memcpy(page.data(), display::ImagePixels(image.get()), rowBytes * height);
    } else {
      for (int y = 0; y < height; ++y) {
        std::memcpy(page.data() + size_t(y) * 2560, display::ImageRow32(image.get(), uint32_t(y)),
                    rowBytes);
      }
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{width} * height * 4);
}

BENCHMARK_CAPTURE(BM_PutImage, opaque_48x48, 48, 48, &display::PutOpaque);
BENCHMARK_CAPTURE(BM_PutImage, transparent_48x48, 48, 48, &display::PutTransparent);
BENCHMARK_CAPTURE(BM_Memcpy, rows_48x48, 48, 48);
BENCHMARK_CAPTURE(BM_PutImage, opaque_640x480, 640, 480, &display::PutOpaque);
BENCHMARK_CAPTURE(BM_PutImage, transparent_640x480, 640, 480, &display::PutTransparent);
BENCHMARK_CAPTURE(BM_Memcpy, whole_640x480, 640, 480);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  display::headless::Select(display::headless::Timing::Virtual);
  display::SetScreenMode(640, 480, 32, 1, 0, 0);
  benchmark::RunSpecifiedBenchmarks();
  display::CloseScreen();
  benchmark::Shutdown();
  return 0;
}
