// brazdovar-imgconv: loads an image file with the game's loader and writes its pixels as
// a PAM file (RGB_ALPHA, 8 bits per sample), for looking at what a loader made
// and for comparing it with other decoders.
//
//   imgconv tank.bmp tank.pam
#include <cstdio>
#include <cstring>
#include <vector>

#include "display/headless.h"
#include "display/image.h"
#include "display/screen.h"
#include "imageio/load_image.h"

namespace {

constexpr const char* USAGE =
    "Usage: brazdovar-imgconv INPUT OUTPUT.pam\n"
    "Loads INPUT (.bmp, .png or .jpg, chosen by the last three characters of the name)\n"
    "on a headless 640x480x32 screen and writes its pixels to OUTPUT as a PAM file\n"
    "(P7, DEPTH 4, MAXVAL 255, TUPLTYPE RGB_ALPHA; alpha from the top byte of each\n"
    "0xAARRGGBB pixel).\n"
    "Exit status: 0 on success, 1 when the image cannot be loaded or written, 2 for\n"
    "bad arguments.\n";

bool WritePam(const display::Image* image, const char* path) {
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return false;
  std::fprintf(out, "P7\nWIDTH %u\nHEIGHT %u\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
               image->width, image->height);
  std::vector<uint8_t> row(size_t{image->width} * 4);
  for (uint32_t y = 0; y < image->height; ++y) {
    const uint32_t* pixels = display::ImageRow32(image, y);
    for (uint32_t x = 0; x < image->width; ++x) {
      const uint32_t p = pixels[x];
      row[4 * x + 0] = static_cast<uint8_t>(p >> 16);
      row[4 * x + 1] = static_cast<uint8_t>(p >> 8);
      row[4 * x + 2] = static_cast<uint8_t>(p);
      row[4 * x + 3] = static_cast<uint8_t>(p >> 24);
    }
    std::fwrite(row.data(), 1, row.size(), out);
  }
  const bool ok = std::ferror(out) == 0;
  return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(USAGE, stdout);
    return 0;
  }
  if (argc != 3) {
    std::fputs(USAGE, stderr);
    return 2;
  }
  display::headless::Select(display::headless::Timing::Virtual);
  if (display::SetScreenMode(640, 480, 32, 1, 0, 0) != 0) {
    std::fputs("brazdovar-imgconv: cannot open the headless screen\n", stderr);
    return 1;
  }
  display::ImagePtr image(imageio::LoadImage(argv[1]));
  int status = 0;
  if (!image) {
    std::fprintf(stderr, "brazdovar-imgconv: cannot load %s\n", argv[1]);
    status = 1;
  } else if (!WritePam(image.get(), argv[2])) {
    std::fprintf(stderr, "brazdovar-imgconv: cannot write %s\n", argv[2]);
    status = 1;
  }
  image.reset();
  display::CloseScreen();
  return status;
}
