// Decoding a 1920x1080 4:2:0 JPEG from its file into a new buffer: LoadJpeg
// (4-byte pixels) beside libjpeg-turbo straight to RGB and stb_image. The file is
// made at start-up in the build directory with ImageMagick.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <stb_image.h>

#include "display/headless.h"
#include "display/screen.h"
#include "imageio/jpeg.h"

namespace {

const std::string kFile = std::string(BRAZDOVAR_BINARY_DIR) + "/bench/imageio/jpeg-1920x1080-420.jpg";

bool MakeBenchFile() {
  if (std::filesystem::exists(kFile)) {
    return true;
  }
  const std::string command = std::string(BRAZDOVAR_CONVERT) +
                              " -size 1920x1080 plasma: -sampling-factor 4:2:0 -quality 90 '" +
                              kFile + "'";
  return std::system(command.c_str()) == 0 && std::filesystem::exists(kFile);
}

void BM_LoadJpeg(benchmark::State& state) {
  for (auto _ : state) {
    display::Image* image = imageio::LoadJpeg(kFile.c_str());
    if (image == nullptr) {
      state.SkipWithError("LoadJpeg failed");
      return;
    }
    benchmark::DoNotOptimize(image);
    display::DestroyImage(image);
  }
}

// The library's fastest plain use: RGB output, as many rows per call as it gives.
void BM_LibjpegTurboRgb(benchmark::State& state) {
  for (auto _ : state) {
    std::FILE* file = std::fopen(kFile.c_str(), "rb");
    jpeg_decompress_struct decompressor{};
    jpeg_error_mgr errors{};
    decompressor.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&decompressor);
    jpeg_stdio_src(&decompressor, file);
    jpeg_read_header(&decompressor, TRUE);
    decompressor.out_color_space = JCS_RGB;
    jpeg_start_decompress(&decompressor);
    const size_t stride = size_t{decompressor.output_width} * 3;
    auto* pixels = static_cast<JSAMPLE*>(std::malloc(stride * decompressor.output_height));
    std::vector<JSAMPROW> rows(decompressor.output_height);
    for (size_t y = 0; y < rows.size(); ++y) {
      rows[y] = pixels + y * stride;
    }
    while (decompressor.output_scanline < decompressor.output_height) {
      jpeg_read_scanlines(&decompressor, rows.data() + decompressor.output_scanline,
                          decompressor.output_height - decompressor.output_scanline);
    }
    jpeg_finish_decompress(&decompressor);
    jpeg_destroy_decompress(&decompressor);
    std::fclose(file);
    benchmark::DoNotOptimize(pixels);
    std::free(pixels);
  }
}

void BM_StbImage(benchmark::State& state) {
  for (auto _ : state) {
    int width = 0, height = 0, components = 0;
    stbi_uc* pixels = stbi_load(kFile.c_str(), &width, &height, &components, 3);
    if (pixels == nullptr) {
      state.SkipWithError("stb_image failed");
      return;
    }
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
}

BENCHMARK(BM_LoadJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegTurboRgb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbImage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!MakeBenchFile()) {
    std::fprintf(stderr, "could not make %s with ImageMagick\n", kFile.c_str());
    return 1;
  }
  display::headless::Select(display::headless::Timing::Virtual);
  display::SetScreenMode(640, 480, 32, 1, 0, 0);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  display::CloseScreen();
  return 0;
}
