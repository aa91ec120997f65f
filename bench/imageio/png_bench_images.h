// Benchmark inputs for the PNG decoders: photo-like pictures generated at start-up
// and encoded with libpng (its default adaptive filters and zlib level), so no
// image files live in the repository.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace imageio::bench {

struct BenchImage {
  std::string name;
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> png;        // the encoded file
  std::vector<uint8_t> imageData;  // its joined "IDAT" data
  uint64_t rawSize = 0;            // inflated size of imageData
};

// RGB8, RGBA8, interlaced RGB8, gray8 and palette pictures of 1920x1080, and a
// 70x46 RGBA8 one.
std::vector<BenchImage> MakeBenchImages();

}  // namespace imageio::bench
