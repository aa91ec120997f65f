// Test helpers for the image loaders: BMP files built byte by byte, files written
// to a per-process temporary folder, pixel reads, and an open headless screen per
// test (the JPEG and imgconv tests use them too).
#pragma once
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "display/headless.h"
#include "display/image.h"
#include "display/screen.h"

namespace imageio::testing {

constexpr uint32_t FILL = 0xFFFF00FFu;

struct BmpSpec {
  int32_t width = 1;
  int32_t height = 1;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t infoSize = 40;
  std::vector<uint32_t> palette = {};  // 0x00RRGGBB, written as blue, green, red, 0
  std::vector<uint32_t> masks = {};    // written before the palette when given
  std::vector<uint8_t> pixels = {};    // the pixel data exactly as stored
  int64_t dataOffset = -1;        // -1: right after the palette
  char signature[2] = {'B', 'M'};
};

inline void PutLe(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline std::vector<uint8_t> BuildBmp(const BmpSpec& layout) {
  std::vector<uint8_t> out(54, 0);
  out[0] = static_cast<uint8_t>(layout.signature[0]);
  out[1] = static_cast<uint8_t>(layout.signature[1]);
  for (uint32_t m : layout.masks) {
    out.resize(out.size() + 4);
    PutLe(out, out.size() - 4, m, 4);
  }
  for (uint32_t c : layout.palette) {
    out.insert(out.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0});
  }
  const uint32_t offset =
      layout.dataOffset >= 0 ? uint32_t(layout.dataOffset) : uint32_t(out.size());
  out.insert(out.end(), layout.pixels.begin(), layout.pixels.end());
  PutLe(out, 2, uint32_t(out.size()), 4);
  PutLe(out, 10, offset, 4);
  PutLe(out, 14, layout.infoSize, 4);
  PutLe(out, 18, uint32_t(layout.width), 4);
  PutLe(out, 22, uint32_t(layout.height), 4);
  PutLe(out, 26, 1, 2);
  PutLe(out, 28, layout.bitCount, 2);
  PutLe(out, 30, layout.compression, 4);
  return out;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes `bytes` to a file of that name in this process's temporary folder.
inline std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("brazdovar-imageio-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / name).string();
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

inline uint32_t Pixel(const display::Image* image, uint32_t x, uint32_t y) {
  const uint8_t* p = display::ImagePixels(image) + size_t(y) * image->pitch +
                     size_t(x) * image->bytesPerPixel;
  uint32_t v = 0;
  std::memcpy(&v, p, image->bytesPerPixel);
  return v;
}

// Every pixel of the image against expected(x, y).
template <typename Expected>
void ExpectPixels(const display::Image* image, Expected expected) {
  for (uint32_t y = 0; y < image->height; ++y) {
    for (uint32_t x = 0; x < image->width; ++x) {
      ASSERT_EQ(Pixel(image, x, y), expected(x, y)) << "pixel " << x << "," << y;
    }
  }
}

// A file name as a test name: anything but letters and digits becomes '_'.
inline std::string ParamName(std::string name) {
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenScreen(32); }
  void TearDown() override { display::CloseScreen(); }
  static void OpenScreen(int depth) {
    display::headless::Select(display::headless::Timing::Virtual);
    ASSERT_EQ(display::SetScreenMode(640, 480, depth, 1, 0, 0), 0);
  }
};

}  // namespace imageio::testing
