// PngSuite conformance: every valid image decodes to the same RGBA bytes as
// libpng (expanded to 8-bit RGBA, 16-bit samples cut to their high byte, "tRNS"
// turned into alpha, no gamma), and every corrupt one (x*.png) gives null. No
// valid suite file trips the decoder's strict rules (trailing bytes, CRCs of
// ancillary chunks, "tRNS" lengths), so none is exempt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "imageio/png.h"
#include "libpng_reference.h"

namespace imageio::testing {
namespace {

namespace fs = std::filesystem;

const fs::path SUITE = BRAZDOVAR_TESTDATA "/pngsuite";

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> SuiteFiles() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(SUITE)) {
    if (entry.path().extension() == ".png") names.push_back(entry.path().filename());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class PngSuite : public ::testing::TestWithParam<std::string> {};

TEST_P(PngSuite, MatchesLibpngOrRefusesCorruptFiles) {
  const std::string name = GetParam();
  const std::vector<uint8_t> file = ReadFile(SUITE / name);
  ASSERT_FALSE(file.empty());
  std::unique_ptr<uint8_t, decltype(&std::free)> raw(
      static_cast<uint8_t*>(DecodePng(file.data(), file.size(), TargetRawRgba)), &std::free);
  if (name[0] == 'x') {
    EXPECT_EQ(raw, nullptr);
    return;
  }
  ASSERT_NE(raw, nullptr);
  ReferenceImage reference;
  ASSERT_TRUE(DecodeWithLibpng(file.data(), file.size(), &reference));
  const std::unique_ptr<display::Image, decltype(&std::free)> image(
      static_cast<display::Image*>(DecodePng(file.data(), file.size(), TargetImageBuffer)), &std::free);
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->width, reference.width);
  ASSERT_EQ(image->height, reference.height);
  const size_t rowBytes = size_t{reference.width} * 4;
  for (uint32_t y = 0; y < reference.height; ++y) {
    const uint8_t* expected = reference.rgba.data() + y * rowBytes;
    // Raw RGBA is stored bottom row first; the Image holds 0xAARRGGBB words.
    ASSERT_EQ(std::memcmp(raw.get() + (reference.height - 1 - y) * rowBytes, expected, rowBytes), 0)
        << "row " << y;
    const uint32_t* words = display::ImageRow32(image.get(), y);
    for (uint32_t x = 0; x < reference.width; ++x) {
      const uint8_t* p = expected + x * 4;
      ASSERT_EQ(words[x], uint32_t{p[3]} << 24 | uint32_t{p[0]} << 16 | p[1] << 8 | p[2]) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFiles, PngSuite, ::testing::ValuesIn(SuiteFiles()),
                         [](const auto& info) {
                           return info.param.substr(0, info.param.size() - 4);
                         });

}  // namespace
}  // namespace imageio::testing
