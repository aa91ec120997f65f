// Shared pieces of the JPEG loader tests: a headless screen, file helpers and the
// oracle (libjpeg-turbo's command-line decoder).
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// Opens a 640x480 headless screen of the given depth for each test and closes it after.
class JpegScreenTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenScreen(32); }
  void TearDown() override;
  static void OpenScreen(int32_t depth);
};

// Path of a file in the shared JPEG test set.
std::string JpegTestFile(const std::string& name);
std::vector<uint8_t> ReadBytes(const std::string& path);
// Writes bytes to a file in the test temp dir and returns its path.
std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes);

struct ReferenceImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgb;  // 3 bytes per pixel, rows packed; gray expanded

  uint32_t Pixel32(uint32_t x, uint32_t y) const {
    const uint8_t* p = &rgb[(size_t{y} * width + x) * 3];
    return 0xFF000000u | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
  }
};

// Runs `djpeg -ppm` on the file. CMYK files come out as RGB by the inverted-CMYK
// rule of libjpeg-turbo's tools. An empty result means djpeg refused the file.
ReferenceImage DecodeWithDjpeg(const std::string& path);
