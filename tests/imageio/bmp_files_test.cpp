// The shared BMP files. BMP Suite: every "good" file the reader takes decodes
// pixel for pixel as an independent decoder (ImageMagick) decodes it; the other
// good files, and all questionable and bad files, load or return null without
// harm (the ASan build runs these too). The hand-made bmp-extra files: odd widths
// at every accepted depth, truncated and corrupt files, each with its listed result.
// Some of both, written once into a named pipe, load as from the file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bmp_files.h"
#include "display/blit.h"
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

// ReadBmp's status on `path` read into a fresh image of width x height.
int ReadStatus(const std::string& path, uint32_t width, uint32_t height) {
  ImagePtr image(display::CreateImage(int32_t(width), int32_t(height), 0, 0, display::DEFAULT_COLOUR_FLAG));
  return ReadBmp(path.c_str(), image.get());
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
  EXPECT_EQ(ReadStatus(path, image->width, image->height), BMP_OK);
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

// --- bmp-extra ------------------------------------------------------------------

constexpr uint32_t RED = 0xFFFF0000u, GREEN = 0xFF00FF00u, BLUE = 0xFF0000FFu,
                   MAGENTA = 0xFFFF00FFu, WHITE = 0xFFFFFFFFu, BLACK = 0xFF000000u;

std::string ExtraFile(const std::string& name) {
  return std::string(BRAZDOVAR_TESTDATA) + "/bmp-extra/" + name;
}

// Palettes the generator uses.
uint32_t Pal4(uint32_t i) { return 0xFF000000u | (i * 17) << 16 | (255 - i * 17) << 8 | ((i * 85) & 255); }
uint32_t Pal8(uint32_t i) { return 0xFF000000u | i << 16 | ((7 * i) & 255) << 8 | (255 - i); }
const uint32_t RGB_ROW[5] = {RED, GREEN, BLUE, MAGENTA, WHITE};

// expected(x, y, width, height); null when LoadImage must return null.
using Expected = std::function<uint32_t(uint32_t x, uint32_t y, uint32_t width, uint32_t height)>;
struct ExtraCase {
  std::string file;
  int status;  // ReadBmp's status when the file loads
  Expected expected;
};
void PrintTo(const ExtraCase& c, std::ostream* os) { *os << c.file; }

uint32_t AllFill(uint32_t, uint32_t, uint32_t, uint32_t) { return FILL; }
uint32_t Alternating(uint32_t x, uint32_t y, uint32_t, uint32_t) {
  return ((x + y) % 2 == 0) ? BLACK : WHITE;
}
uint32_t Pal4Lines(uint32_t x, uint32_t y, uint32_t, uint32_t) {
  return Pal4(y == 0 ? x % 16 : (x + 8) % 16);
}
uint32_t Pal8Lines(uint32_t x, uint32_t y, uint32_t, uint32_t) { return Pal8(50 * x + y); }
uint32_t RgbLines(uint32_t x, uint32_t y, uint32_t w, uint32_t) {
  return RGB_ROW[y == 0 ? x : w - 1 - x];
}
uint32_t Rgb32Lines(uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
  return (RgbLines(x, y, w, h) & 0x00FFFFFFu) | (y == 0 ? 0xFF000000u : 0x80000000u);
}
// Stored rows: red, green, blue padded by 3 bytes; magenta (the key), white, black.
uint32_t Rgb3x2(uint32_t x, uint32_t y, uint32_t, uint32_t) {
  const uint32_t lines[2][3] = {{FILL, WHITE, BLACK}, {RED, GREEN, BLUE}};
  return lines[y][x];
}
// The first stored rows (bottom lines) in `colour`, the rest the fill.
Expected BottomLines(uint32_t count, uint32_t colour) {
  return [=](uint32_t, uint32_t y, uint32_t, uint32_t h) { return y >= h - count ? colour : FILL; };
}

std::vector<ExtraCase> Cases() {
  std::vector<ExtraCase> cases = {
      {"rgb24-3x2.bmp", BMP_OK, Rgb3x2},
      {"rgb32-alpha0-3x2.bmp", BMP_OK,
       [](uint32_t x, uint32_t y, uint32_t w, uint32_t h) { return Rgb3x2(x, y, w, h) & 0x00FFFFFFu; }},
      // 1-bit rows of 2 data bytes and 2 padding bytes.
      {"pal1-w10.bmp", BMP_OK,
       [](uint32_t x, uint32_t y, uint32_t, uint32_t) {
         return (y == 0 ? x <= 1 : (x == 0 || x == 9)) ? WHITE : BLACK;
       }},
      // The pixel data starts at its offset: the two bytes before it are skipped.
      {"pal8-offset-plus2.bmp", BMP_OK,
       [](uint32_t x, uint32_t y, uint32_t, uint32_t) { return Pal4(y == 0 ? 5 + x : 1 + x); }},
      {"pal2-w5.bmp", BMP_REFUSED, AllFill},
      {"rgb16-555-10x10.bmp", BMP_REFUSED, AllFill},
      {"rgb16-565bf-10x10.bmp", BMP_REFUSED, AllFill},
      {"rgb15-4x4.bmp", BMP_REFUSED, AllFill},
      {"rgb24-5x20-cut-after-5-rows.bmp", BMP_MALFORMED, BottomLines(5, GREEN)},
      {"rgb24-5x20-cut-mid-row.bmp", BMP_MALFORMED, BottomLines(2, BLUE)},
      {"pal1-w10x4-cut-mid-row.bmp", BMP_MALFORMED, BottomLines(1, WHITE)},
      {"rgb24-header-only.bmp", BMP_MALFORMED, AllFill},
      {"sig-BA.bmp", BMP_MALFORMED, AllFill},
      {"rgb24-topdown-4x20.bmp", 0, nullptr},
      {"short-20-bytes.bmp", 0, nullptr},
      {"empty.bmp", 0, nullptr},
      {"png-named.bmp", 0, nullptr},
  };
  // Odd widths at every accepted depth.
  const std::pair<const char*, Expected> depths[] = {
      {"pal1", Alternating}, {"pal4", Pal4Lines}, {"pal8", Pal8Lines},
      {"rgb24", RgbLines},   {"rgb32", Rgb32Lines}};
  for (const auto& [prefix, expected] : depths) {
    for (const char* width : {"1", "3", "5"}) {
      cases.push_back({std::string(prefix) + "-w" + width + ".bmp", BMP_OK, expected});
    }
  }
  return cases;
}

class BmpExtraTest : public ScreenTest, public ::testing::WithParamInterface<ExtraCase> {};

TEST_P(BmpExtraTest, GivesTheListedResult) {
  const ExtraCase& c = GetParam();
  ImagePtr image(LoadImage(ExtraFile(c.file).c_str()));
  if (!c.expected) {
    EXPECT_EQ(image, nullptr);
    return;
  }
  ASSERT_NE(image, nullptr);
  const uint32_t w = image->width, h = image->height;
  ExpectPixels(image.get(), [&](uint32_t x, uint32_t y) { return c.expected(x, y, w, h); });
  EXPECT_EQ(ReadStatus(ExtraFile(c.file), w, h), c.status);
}

INSTANTIATE_TEST_SUITE_P(Files, BmpExtraTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return ParamName(info.param.file); });

// Indices past a 16-entry palette show the display palette as it was; the file's
// own entries go into the display palette (red in the low byte).
TEST_F(ScreenTest, SixteenEntryPaletteShowsTheDisplayPaletteAbove) {
  display::SetPaletteEntry(200, 0x00445566);
  ImagePtr image(LoadImage(ExtraFile("pal8-16entries.bmp").c_str()));
  ASSERT_NE(image, nullptr);
  const uint32_t above = 0xFF665544u;
  const uint32_t lines[2][4] = {{Pal4(0), Pal4(15), above, Pal4(5)}, {Pal4(5), Pal4(5), above, above}};
  ExpectPixels(image.get(), [&](uint32_t x, uint32_t y) { return lines[y][x]; });
  EXPECT_EQ(display::GetPaletteEntry(5), 0x00A9AA55u);
}

TEST_F(ScreenTest, PngBytesReadAsBmpAreMalformed) {
  EXPECT_EQ(ReadStatus(ExtraFile("png-named.bmp"), 4, 4), BMP_MALFORMED);
}

// --- named pipes ------------------------------------------------------------------

// LoadBmp of `bytes` written once into a named pipe by one writer. A loader that
// opened the file twice would wait for a second writer: after a second, a
// stand-in writer that writes nothing ends that wait (at once at end of file).
ImagePtr LoadThroughPipe(const std::vector<uint8_t>& bytes) {
  const std::string path = WriteFile("pipe.bmp", {});
  fs::remove(path);
  if (::mkfifo(path.c_str(), 0600) != 0) return nullptr;
  std::signal(SIGPIPE, SIG_IGN);  // a loader that stops early closes its end
  std::atomic<bool> loaded{false};
  std::thread writer([&] {
    const int fd = ::open(path.c_str(), O_WRONLY);  // until the loader opens the pipe
    for (size_t done = 0; fd >= 0 && done < bytes.size();) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += size_t(n);
    }
    if (fd >= 0) ::close(fd);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!loaded) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (std::chrono::steady_clock::now() < deadline) continue;
      if (const int standIn = ::open(path.c_str(), O_WRONLY | O_NONBLOCK); standIn >= 0) {
        ::close(standIn);
      }
    }
  });
  ImagePtr image(LoadBmp(path.c_str()));
  loaded = true;
  writer.join();
  fs::remove(path);
  return image;
}

// The pipe gives what the file gives: stored rows with padding, a gap before the
// pixel data, run-length data, bit fields, a cut file, and a first row longer
// than one read.
TEST_F(ScreenTest, NamedPipeWrittenOnceLoadsAsTheFile) {
  BmpSpec wide{.width = 30000, .height = 2, .bitCount = 24};
  for (uint32_t i = 0; i < 30000 * 3 * 2; ++i) wide.pixels.push_back(uint8_t(i % 251));
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
      {"pal1-w10", ReadBytes(ExtraFile("pal1-w10.bmp"))},
      {"pal8-offset-plus2", ReadBytes(ExtraFile("pal8-offset-plus2.bmp"))},
      {"cut-mid-row", ReadBytes(ExtraFile("rgb24-5x20-cut-mid-row.bmp"))},
      {"pal4rle", ReadBytes(SUITE + "g/pal4rle.bmp")},
      {"rgb32bf", ReadBytes(SUITE + "g/rgb32bf.bmp")},
      {"wide", BuildBmp(wide)}};
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    ImagePtr fromFile(LoadBmp(WriteFile(name + ".bmp", bytes).c_str()));
    ImagePtr fromPipe(LoadThroughPipe(bytes));
    ASSERT_NE(fromFile, nullptr);
    ASSERT_NE(fromPipe, nullptr);
    ASSERT_EQ(fromPipe->width, fromFile->width);
    ASSERT_EQ(fromPipe->height, fromFile->height);
    ExpectPixels(fromPipe.get(), [&](uint32_t x, uint32_t y) { return Pixel(fromFile.get(), x, y); });
  }
}

}  // namespace
}  // namespace imageio::testing
