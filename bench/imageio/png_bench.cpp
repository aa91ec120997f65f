// PNG decoding speed: DecodePng into the Image layout beside libpng (classic
// API), libspng, stb_image and lodepng decoding the same files to RGBA8, and
// beside zlib's uncompress alone on the same image data (the floor: every decoder
// must inflate). Throughput is MB/s of RGBA output; after the run a table gives
// each decoder's speed as a fraction of the floor (floor CPU time / decoder CPU time).
#include <benchmark/benchmark.h>
#include <lodepng.h>
#include <malloc.h>
#include <spng.h>
#include <stb_image.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "imageio/png.h"
#include "libpng_reference.h"
#include "png_bench_images.h"

namespace imageio::bench {
namespace {

using Decoder = bool (*)(const BenchImage& image);

bool Ours(const BenchImage& image) {
  void* out = DecodePng(image.png.data(), image.png.size(), TargetImageBuffer);
  std::free(out);
  return out != nullptr;
}

bool Libpng(const BenchImage& image) {
  testing::ReferenceImage out;
  return testing::DecodeWithLibpng(image.png.data(), image.png.size(), &out);
}

bool Spng(const BenchImage& image) {
  spng_ctx* ctx = spng_ctx_new(0);
  spng_set_png_buffer(ctx, image.png.data(), image.png.size());
  size_t size = 0;
  bool ok = spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size) == 0;
  void* out = ok ? std::malloc(size) : nullptr;
  ok = out != nullptr && spng_decode_image(ctx, out, size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) == 0;
  std::free(out);
  spng_ctx_free(ctx);
  return ok;
}

bool Stb(const BenchImage& image) {
  int width, height, channels;
  stbi_uc* out = stbi_load_from_memory(image.png.data(), static_cast<int>(image.png.size()), &width,
                                       &height, &channels, 4);
  stbi_image_free(out);
  return out != nullptr;
}

bool Lodepng(const BenchImage& image) {
  unsigned char* out = nullptr;
  unsigned width, height;
  const unsigned error =
      lodepng_decode32(&out, &width, &height, image.png.data(), image.png.size());
  std::free(out);
  return error == 0;
}

void Run(benchmark::State& state, const BenchImage& image, Decoder decode) {
  for (auto _ : state) {
    if (!decode(image)) state.SkipWithError("decode failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * image.width * image.height *
                          4);
}

// The floor: inflating the joined image data into a buffer allocated once.
void Floor(benchmark::State& state, const BenchImage& image) {
  std::vector<uint8_t> raw(image.rawSize);
  for (auto _ : state) {
    uLongf length = raw.size();
    if (uncompress(raw.data(), &length, image.imageData.data(), image.imageData.size()) != Z_OK ||
        length != raw.size()) {
      state.SkipWithError("uncompress failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * image.width * image.height *
                          4);
}

// Console output plus, at the end, each decoder's fraction of its image's floor.
class FloorReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.benchmark_name();
      const size_t slash = name.find('/');
      times_[name.substr(slash + 1)][name.substr(0, slash)] = run.GetAdjustedCPUTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nFraction of the zlib floor (floor CPU time / decoder CPU time):\n");
    for (const auto& [image, decoders] : times_) {
      const auto floor = decoders.find("zlib_floor");
      if (floor == decoders.end()) continue;
      std::printf("%-16s", image.c_str());
      for (const auto& [decoder, time] : decoders) {
        if (decoder != "zlib_floor")
          std::printf("  %s %.2f", decoder.c_str(), floor->second / time);
      }
      std::printf("\n");
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> times_;  // image -> decoder -> time
};

}  // namespace
}  // namespace imageio::bench

int main(int argc, char** argv) {
  using namespace imageio::bench;
  // Fixed allocator thresholds: every decoder's blocks come from a heap that is
  // kept between runs, so the figures compare decoding rather than how often
  // glibc's adaptive thresholds hand pages back to the kernel and fault them in
  // again (which dominates on some virtual machines).
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  static const std::vector<BenchImage> images = MakeBenchImages();
  const std::pair<const char*, Decoder> decoders[] = {{"brazdovar", Ours},
                                                      {"libpng", Libpng},
                                                      {"libspng", Spng},
                                                      {"stb_image", Stb},
                                                      {"lodepng", Lodepng}};
  for (const BenchImage& image : images) {
    for (const auto& [name, decode] : decoders) {
      benchmark::RegisterBenchmark((std::string(name) + "/" + image.name).c_str(), Run, image,
                                   decode)
          ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark(("zlib_floor/" + image.name).c_str(), Floor, image)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  FloorReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
