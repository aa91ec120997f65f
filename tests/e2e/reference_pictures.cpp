// BMP and font readers and the painting of expected pictures.
#include "reference_pictures.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace e2e {

namespace {

uint32_t Le(const std::vector<uint8_t>& data, size_t at, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | data[at + size_t(i)];
  return value;
}

}  // namespace

std::optional<Snapshot> ReadBmp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in), {}};
  if (data.size() < 54 || data[0] != 'B' || data[1] != 'M') return std::nullopt;
  const uint32_t offset = Le(data, 10, 4);
  const uint32_t headerSize = Le(data, 14, 4);
  const auto width = int32_t(Le(data, 18, 4));
  const auto rawHeight = int32_t(Le(data, 22, 4));
  const uint32_t bits = Le(data, 28, 2);
  const uint32_t compression = Le(data, 30, 4);
  const int height = rawHeight < 0 ? -rawHeight : rawHeight;
  if (width <= 0 || height <= 0 || width > 4096 || height > 4096 || compression != 0) {
    return std::nullopt;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  const size_t stride = (size_t(width) * bits + 31) / 32 * 4;
  if (offset + stride * size_t(height) > data.size()) return std::nullopt;
  const size_t palette = 14 + headerSize;
  Snapshot picture = BlackPicture(width, height);
  for (int row = 0; row < height; ++row) {
    const size_t line = offset + stride * size_t(rawHeight < 0 ? row : height - 1 - row);
    for (int x = 0; x < width; ++x) {
      uint32_t rgb = 0;
      if (bits >= 24) {
        rgb = Le(data, line + size_t(x) * (bits / 8), 3);
      } else {
        const size_t bit = size_t(x) * bits;
        const uint32_t index = (data[line + bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (palette + 4 * index + 3 > offset) return std::nullopt;
        rgb = Le(data, palette + 4 * index, 3);
      }
      picture.pixels[size_t(row) * size_t(width) + size_t(x)] = rgb;
    }
  }
  return picture;
}

std::set<uint32_t> ColoursOf(const Snapshot& picture) {
  std::set<uint32_t> colours(picture.pixels.begin(), picture.pixels.end());
  colours.erase(KEY_RGB);
  return colours;
}

Snapshot BlackPicture(int width, int height) {
  Snapshot picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.assign(size_t(width) * size_t(height), 0);
  return picture;
}

void Paint(Snapshot& picture, const Snapshot& sprite, int x, int y, bool transparent) {
  for (int row = 0; row < sprite.height; ++row) {
    for (int column = 0; column < sprite.width; ++column) {
      const int px = x + column, py = y + row;
      if (px < 0 || py < 0 || px >= picture.width || py >= picture.height) continue;
      const uint32_t rgb = sprite.At(column, row);
      if (transparent && rgb == KEY_RGB) continue;
      picture.pixels[size_t(py) * size_t(picture.width) + size_t(px)] = rgb;
    }
  }
}

std::optional<Font> ReadFont(const std::string& path) {
  std::ifstream in(path);
  Font font{};
  std::array<bool, 256> seen{};
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    int code = -1;
    char colon = 0;
    if (!(fields >> code >> colon) || colon != ':' || code < 0 || code > 255) continue;
    for (uint8_t& row : font[size_t(code)]) {
      unsigned value = 0;
      if (!(fields >> std::hex >> value)) return std::nullopt;
      row = uint8_t(value);
    }
    seen[size_t(code)] = true;
  }
  for (bool glyph : seen) {
    if (!glyph) return std::nullopt;
  }
  return font;
}

void PaintText(Snapshot& picture, const Font& font, std::string_view text, int x, int y,
               uint32_t rgb) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto& glyph = font[uint8_t(text[i])];
    for (int row = 0; row < 8; ++row) {
      for (int k = 0; k < 8; ++k) {
        const int px = x + 8 * int(i) + k, py = y + row;
        if (!(glyph[size_t(row)] >> k & 1) || px < 0 || py < 0 || px >= picture.width ||
            py >= picture.height) {
          continue;
        }
        picture.pixels[size_t(py) * size_t(picture.width) + size_t(px)] = rgb;
      }
    }
  }
}

int CountDifferences(const Snapshot& actual, const Snapshot& expected, const Rect& area) {
  if (actual.width != expected.width || actual.height != expected.height) {
    return area.width * area.height;
  }
  int differences = 0;
  for (int y = area.y; y < area.y + area.height; ++y) {
    for (int x = area.x; x < area.x + area.width; ++x) {
      if (x >= 0 && y >= 0 && x < actual.width && y < actual.height &&
          actual.At(x, y) != expected.At(x, y)) {
        ++differences;
      }
    }
  }
  return differences;
}

}  // namespace e2e
