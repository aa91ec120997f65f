// Internal to the BMP reader: one opening of a file, read front to back. LoadBmp
// sizes its image from the header and fills it from the same opening, so a file
// replaced meanwhile cannot mix two files, and a named pipe needs one writer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "display/image.h"
#include "imageio/bmp_layout.h"

namespace imageio::bmp {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The first HEADER_SIZE bytes of a file; when the file is shorter, `got` says
// how many it held and the rest stay zero.
struct HeaderBytes {
  uint8_t bytes[HEADER_SIZE] = {};
  size_t got = 0;
};
HeaderBytes ReadHeaderBytes(std::FILE* file);

// ReadBmp's work once the header has been read from `file`: fills `image` (a
// valid image, checked by the caller) from the bytes that follow. Returns the
// ReadBmp status.
int ReadAfterHeader(std::FILE* file, const HeaderBytes& header, display::Image* image);

}  // namespace imageio::bmp
