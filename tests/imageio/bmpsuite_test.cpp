// BMP Suite: every "good" file the reader takes decodes pixel for pixel as an
// independent decoder (ImageMagick) decodes it; the other good files, and all
// questionable and bad files, load or return null without harm (the ASan build
// runs these too).
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "bmp_files.h"
#include "imageio/bmp.h"
#include "imageio/load_image.h"

namespace imageio::testing {
namespace {

using display::ImagePtr;
namespace fs = std::filesystem;

const std::string SUITE = std::string(BRAZDOVAR_TESTDATA) + "/bmpsuite/";

// Good files that the reader takes: 40-byte header, bottom-up, 1/4/8/24/32
// bits, run-length or 32-bit bit fields.
const std::set<std::string> TAKEN = {
    "pal1.bmp", "pal1bg.bmp", "pal1wb.bmp", "pal4.bmp", "pal4gs.bmp", "pal4rle.bmp",
    "pal8-0.bmp", "pal8.bmp", "pal8gs.bmp", "pal8nonsquare.bmp", "pal8rle.bmp",
    "pal8w124.bmp", "pal8w125.bmp", "pal8w126.bmp", "rgb24.bmp", "rgb24pal.bmp",
    "rgb32.bmp", "rgb32bf.bmp", "rgb32bfdef.bmp"};
// Uncompressed 32-bit files keep their fourth byte as alpha; the reference
// calls them opaque, so only their colours are compared.
const std::set<std::string> ALPHA_FROM_FILE = {"rgb32.bmp"};

std::vector<std::string> Files(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(SUITE + folder)) {
    if (entry.path().extension() == ".bmp") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The reference decoding as 8-bit RGBA, top row first; empty if it failed.
std::vector<uint8_t> ReferenceRgba(const std::string& path) {
  const std::string command = "convert '" + path + "' -depth 8 RGBA:- 2>/dev/null";
  std::vector<uint8_t> bytes;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return bytes;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  return pclose(pipe) == 0 ? bytes : std::vector<uint8_t>{};
}

bool HaveReference() { return std::system("convert -version > /dev/null 2>&1") == 0; }

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  return ParamName(info.param);
}

class GoodFileTest : public ScreenTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(GoodFileTest, DecodesAsTheReferenceOrIsRefusedWhole) {
  const std::string name = GetParam();
  const std::string path = SUITE + "g/" + name;
  ImagePtr image(LoadImage(path.c_str()));
  if (TAKEN.count(name) == 0) {
    // Other header forms and depths: null (top-down, OS/2 sizes) or all fill.
    if (image) ExpectPixels(image.get(), [](uint32_t, uint32_t) { return FILL; });
    return;
  }
  ASSERT_NE(image, nullptr);
  ImagePtr again(display::CreateImage(int32_t(image->width), int32_t(image->height), 0, 0,
                                      display::DEFAULT_COLOUR_FLAG));
  EXPECT_EQ(ReadBmp(path.c_str(), again.get()), BMP_OK);
  if (!HaveReference()) GTEST_SKIP() << "ImageMagick's convert is not installed";

  const std::vector<uint8_t> rgba = ReferenceRgba(path);
  ASSERT_EQ(rgba.size(), size_t{image->width} * image->height * 4);
  const bool compareAlpha = ALPHA_FROM_FILE.count(name) == 0;
  ExpectPixels(image.get(), [&](uint32_t x, uint32_t y) {
    const uint8_t* p = &rgba[(size_t{y} * image->width + x) * 4];
    const uint32_t alpha = compareAlpha ? p[3] : Pixel(image.get(), x, y) >> 24;
    return alpha << 24 | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
  });
}

INSTANTIATE_TEST_SUITE_P(BmpSuite, GoodFileTest, ::testing::ValuesIn(Files("g")), TestName);

class HostileFileTest : public ScreenTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(HostileFileTest, LoadsOrReturnsNullSafely) {
  const std::string path = SUITE + GetParam();
  ImagePtr image(LoadImage(path.c_str()));
  if (image) {
    EXPECT_GT(image->width, 0u);
    EXPECT_GT(image->height, 0u);
  }
}

std::vector<std::string> QuestionableAndBad() {
  std::vector<std::string> paths;
  for (const char* folder : {"q", "b"}) {
    for (const std::string& name : Files(folder)) paths.push_back(std::string(folder) + "/" + name);
  }
  return paths;
}

INSTANTIATE_TEST_SUITE_P(BmpSuite, HostileFileTest, ::testing::ValuesIn(QuestionableAndBad()),
                         TestName);

}  // namespace
}  // namespace imageio::testing
