// The imgconv tool: its PAM output matches what LoadImage gives, a file that
// does not load fails with one line on stderr and exit status 1.
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "bmp_files.h"
#include "imageio/load_image.h"

namespace imageio::testing {
namespace {

const std::string IMGCONV = IMGCONV_PATH;

int RunImgconv(const std::string& arguments) {
  const int status = std::system((IMGCONV + " " + arguments).c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadAll(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  return {bytes.begin(), bytes.end()};
}

TEST(ImgconvTest, WritesTheLoadedPixelsAsRgbAlphaPam) {
  // 32-bit pixels with a fourth byte of 0x80 on line 0 and 0xFF on line 1.
  BmpSpec layout{.width = 2, .height = 2, .bitCount = 32,
               .pixels = {0x30, 0x20, 0x10, 0xFF, 6, 5, 4, 0xFF, 3, 2, 1, 0x80, 9, 8, 7, 0x80}};
  const std::string input = WriteFile("conv.bmp", BuildBmp(layout));
  const std::string output = input + ".pam";
  ASSERT_EQ(RunImgconv("'" + input + "' '" + output + "'"), 0);
  const std::string header =
      "P7\nWIDTH 2\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  const std::string pixels = {1, 2, 3, char(0x80), 7, 8, 9, char(0x80),
                              0x10, 0x20, 0x30, char(0xFF), 4, 5, 6, char(0xFF)};
  EXPECT_EQ(ReadAll(output), header + pixels);
}

TEST(ImgconvTest, FailsWithOneLineWhenNothingLoads) {
  const std::string errors = WriteFile("errors.txt", {});
  EXPECT_EQ(RunImgconv("/nonexistent/a.bmp /dev/null 2>'" + errors + "'"), 1);
  const std::string text = ReadAll(errors);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find('\n'), text.size() - 1);
  EXPECT_EQ(RunImgconv("--help > /dev/null"), 0);
}

}  // namespace
}  // namespace imageio::testing
