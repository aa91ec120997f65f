// Loading a 1920x1080 BMP: LoadImage against stb_image's BMP loader, both from
// the same file on disk (in the page cache after the first run). The files are
// generated into the build folder at start-up.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <stb/stb_image.h>

#include "display/headless.h"
#include "display/image.h"
#include "display/screen.h"
#include "imageio/load_image.h"

namespace {

constexpr int WIDTH = 1920, HEIGHT = 1080;

void PutLe(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A bottom-up BMP of the given depth (24 or 8) with a busy pattern.
std::string WriteBmp(int bitCount) {
  const uint32_t rowBytes = (uint32_t(WIDTH) * bitCount / 8 + 3) & ~3u;
  const uint32_t paletteBytes = bitCount == 8 ? 1024 : 0;
  const uint32_t offset = 54 + paletteBytes;
  std::vector<uint8_t> file(offset + size_t{rowBytes} * HEIGHT, 0);
  file[0] = 'B';
  file[1] = 'M';
  PutLe(file, 2, uint32_t(file.size()), 4);
  PutLe(file, 10, offset, 4);
  PutLe(file, 14, 40, 4);
  PutLe(file, 18, WIDTH, 4);
  PutLe(file, 22, HEIGHT, 4);
  PutLe(file, 26, 1, 2);
  PutLe(file, 28, uint32_t(bitCount), 2);
  for (uint32_t i = 0; i < paletteBytes / 4; ++i) PutLe(file, 54 + 4 * i, i * 0x010307u, 4);
  uint32_t seed = 12345;
  for (size_t i = offset; i < file.size(); ++i) {
    seed = seed * 1103515245u + 12345u;
    file[i] = static_cast<uint8_t>(seed >> 16);
  }
  const std::string path = std::string(BRAZDOVAR_BINARY_DIR) + "/bench_bmp_" +
                           std::to_string(bitCount) + ".bmp";
  std::FILE* out = std::fopen(path.c_str(), "wb");
  std::fwrite(file.data(), 1, file.size(), out);
  std::fclose(out);
  return path;
}

std::string bmp24, bmp8;

void BM_LoadImage(benchmark::State& state, const std::string* path) {
  for (auto _ : state) {
    display::Image* image = imageio::LoadImage(path->c_str());
    benchmark::DoNotOptimize(image);
    display::DestroyImage(image);
  }
  state.SetItemsProcessed(state.iterations() * WIDTH * HEIGHT);
}

void BM_StbImage(benchmark::State& state, const std::string* path) {
  for (auto _ : state) {
    int w, h, channels;
    stbi_uc* pixels = stbi_load(path->c_str(), &w, &h, &channels, 4);
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
  state.SetItemsProcessed(state.iterations() * WIDTH * HEIGHT);
}

BENCHMARK_CAPTURE(BM_LoadImage, bmp24_1080p, &bmp24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StbImage, bmp24_1080p, &bmp24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadImage, bmp8_1080p, &bmp8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StbImage, bmp8_1080p, &bmp8)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bmp24 = WriteBmp(24);
  bmp8 = WriteBmp(8);
  display::headless::Select(display::headless::Timing::Virtual);
  display::SetScreenMode(640, 480, 32, 1, 0, 0);
  benchmark::RunSpecifiedBenchmarks();
  display::CloseScreen();
  benchmark::Shutdown();
  return 0;
}
