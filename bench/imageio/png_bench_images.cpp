// Generates and encodes the PNG benchmark inputs.
#include "png_bench_images.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace imageio::bench {

namespace {

// Fractal value noise (the "plasma" of image editors): detail at every scale,
// and channels that share most of their structure, so it filters and compresses
// like a photograph rather than like flat synthetic art.
float Lattice(int32_t x, int32_t y, uint32_t salt) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               salt * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<float>((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

float Fractal(uint32_t x, uint32_t y, uint32_t salt) {
  float sum = 0, total = 0, amplitude = 1, scale = 1.0f / 256;
  for (uint32_t octave = 0; octave < 8; ++octave, amplitude *= 0.6f, scale *= 2) {
    const float fx = x * scale, fy = y * scale;
    const int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    const float tx = fx - ix, ty = fy - iy;
    const uint32_t s = salt * 16 + octave;
    const float top = Lattice(ix, iy, s) * (1 - tx) + Lattice(ix + 1, iy, s) * tx;
    const float bottom = Lattice(ix, iy + 1, s) * (1 - tx) + Lattice(ix + 1, iy + 1, s) * tx;
    sum += amplitude * (top * (1 - ty) + bottom * ty);
    total += amplitude;
  }
  return sum / total;
}

uint8_t Level(float v) {
  return static_cast<uint8_t>(std::clamp((v - 0.5f) * 700 + 128, 0.0f, 255.0f));
}

std::vector<uint8_t> Pixels(uint32_t width, uint32_t height, uint32_t channels) {
  std::vector<uint8_t> pixels(size_t{width} * height * channels);
  size_t i = 0;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const float light = Fractal(x, y, 0);
      for (uint32_t c = 0; c < channels; ++c) {
        pixels[i++] = Level(c == 3 ? Fractal(x, y, 9) : 0.7f * light + 0.3f * Fractal(x, y, c + 1));
      }
    }
  }
  return pixels;
}

void Append(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

std::vector<uint8_t> Encode(const std::vector<uint8_t>& pixels, uint32_t width, uint32_t height,
                            int colourType, int channels, bool interlaced) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, Append, nullptr);
  png_set_IHDR(png, info, width, height, 8, colourType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color palette[256];
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    for (int i = 0; i < 256; ++i) {
      palette[i] = {static_cast<png_byte>(i), static_cast<png_byte>(255 - i),
                    static_cast<png_byte>(i * 7)};
    }
    png_set_PLTE(png, info, palette, 256);
  }
  png_write_info(png, info);
  std::vector<png_bytep> rows(height);
  for (uint32_t y = 0; y < height; ++y) {
    rows[y] = const_cast<png_bytep>(pixels.data() + size_t{y} * width * channels);
  }
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<uint8_t> JoinedImageData(const std::vector<uint8_t>& png) {
  std::vector<uint8_t> joined;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length =
        uint32_t{png[at]} << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
    if (std::memcmp(&png[at + 4], "IDAT", 4) == 0) {
      joined.insert(joined.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
    }
    at += size_t{length} + 12;
  }
  return joined;
}

BenchImage Make(std::string name, uint32_t width, uint32_t height, int colourType, int channels,
                bool interlaced) {
  BenchImage image{std::move(name), width, height, {}, {}, 0};
  const std::vector<uint8_t> pixels = Pixels(width, height, channels);
  image.png = Encode(pixels, width, height, colourType, channels, interlaced);
  image.imageData = JoinedImageData(image.png);
  const uint64_t line = uint64_t{width} * channels + 1;
  image.rawSize = interlaced ? 0 : line * height;
  if (interlaced) {  // sum over the Adam7 passes
    const uint32_t xs[7] = {0, 4, 0, 2, 0, 1, 0}, ys[7] = {0, 0, 4, 0, 2, 0, 1};
    const uint32_t dx[7] = {8, 8, 4, 4, 2, 2, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
    for (int p = 0; p < 7; ++p) {
      if (width <= xs[p] || height <= ys[p]) continue;
      const uint64_t columns = (width - xs[p] + dx[p] - 1) / dx[p];
      const uint64_t rows = (height - ys[p] + dy[p] - 1) / dy[p];
      image.rawSize += (columns * channels + 1) * rows;
    }
  }
  return image;
}

}  // namespace

std::vector<BenchImage> MakeBenchImages() {
  return {
      Make("rgb8", 1920, 1080, PNG_COLOR_TYPE_RGB, 3, false),
      Make("rgba8", 1920, 1080, PNG_COLOR_TYPE_RGBA, 4, false),
      Make("rgb8_interlaced", 1920, 1080, PNG_COLOR_TYPE_RGB, 3, true),
      Make("gray8", 1920, 1080, PNG_COLOR_TYPE_GRAY, 1, false),
      Make("palette8", 1920, 1080, PNG_COLOR_TYPE_PALETTE, 1, false),
      Make("tiny_rgba8", 70, 46, PNG_COLOR_TYPE_RGBA, 4, false),
  };
}

}  // namespace imageio::bench
