// The file-type table of LoadImage.
#include "imageio/load_image.h"

#include <array>
#include <cstring>
#include <string_view>

#include "imageio/bmp.h"
#include "imageio/jpeg.h"
#include "imageio/png.h"

namespace imageio {
namespace {

struct FileType {
  std::string_view key;
  display::Image* (*load)(const char* name);
};

constexpr std::array<FileType, 3> FILE_TYPES = {{
    {"bmp", LoadBmp},
    {"png", LoadPng},
    {"jpg", LoadJpeg},
}};

// Only A to Z change, as in the default ("C") locale.
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

display::Image* LoadImage(const char* name) {
  if (name == nullptr) return nullptr;
  const size_t length = std::strlen(name);
  const size_t keyLength = length < 3 ? length : 3;
  char key[3];
  for (size_t i = 0; i < keyLength; ++i) key[i] = LowerAscii(name[length - keyLength + i]);

  for (const FileType& type : FILE_TYPES) {
    if (type.key == std::string_view(key, keyLength)) return type.load(name);
  }
  return nullptr;
}

}  // namespace imageio
