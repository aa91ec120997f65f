// PutImage beside its peers in one run: memcpy of the same rows (the floor) and
// SDL2's SDL_BlitSurface, opaque and with a colour key, for a 48x48 sprite and
// a whole 640x480 image, in 4-, 2- and 1-byte pixels, always onto a 640x480
// target of the same pixel size (the screen page for PutImage). Names read
// size/pixel bytes/blit, so the rows to compare stand together.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "display/blit.h"
#include "display/headless.h"
#include "display/image.h"
#include "display/screen.h"
#include "display/screen_state.h"

namespace {

constexpr int PAGE_WIDTH = 640, PAGE_HEIGHT = 480;

struct Shape {
  int width, height, bytes;
};

uint32_t KeyOf(int bytes) {
  return bytes == 4 ? display::KEY_COLOUR_32 : bytes == 2 ? display::KEY_COLOUR_16 : display::KEY_COLOUR_8;
}

// The picture every blit copies: a key-coloured border 8 pixels wide around a
// busy middle with no key pixel, like the tanks. Rows are `pitch` bytes apart.
void Draw(uint8_t* pixels, size_t pitch, const Shape& shape) {
  for (int y = 0; y < shape.height; ++y) {
    for (int x = 0; x < shape.width; ++x) {
      const bool border = x < 8 || y < 8 || x >= shape.width - 8 || y >= shape.height - 8;
      uint32_t value = KeyOf(shape.bytes);
      if (!border) {
        const uint32_t hash = (uint32_t(x) * 2654435761u) ^ uint32_t(y);
        value = shape.bytes == 4 ? 0xFF000000u | hash
                : shape.bytes == 2 ? (hash % 0xF81Fu)  // below the key
                                   : 1 + hash % 255;    // never 0
      }
      std::memcpy(pixels + size_t(y) * pitch + size_t(x) * shape.bytes, &value, shape.bytes);
    }
  }
}

void CountBytes(benchmark::State& state, const Shape& shape) {
  state.SetBytesProcessed(state.iterations() * int64_t{shape.width} * shape.height * shape.bytes);
}

// The screen opened at the shape's pixel size and the picture in an Image: the
// two buffers every blit below copies between.
struct Buffers {
  explicit Buffers(const Shape& shape) {
    display::headless::Select(display::headless::Timing::Virtual);
    display::SetScreenMode(PAGE_WIDTH, PAGE_HEIGHT, shape.bytes * 8, 1, 0, 0);
    image.reset(display::CreateImage(shape.width, shape.height, 0, shape.bytes * 8, 0));
    Draw(display::ImagePixels(image.get()), image->pitch, shape);
  }
  ~Buffers() {
    image.reset();
    display::CloseScreen();
  }
  static display::Screen& Page() { return *display::CurrentScreen(); }
  display::ImagePtr image;
};

// PutImage onto the screen page.
void BM_PutImage(benchmark::State& state, Shape shape, bool keyed) {
  Buffers buffers(shape);
  const display::Putter& putter = keyed ? display::PutTransparent : display::PutOpaque;
  for (auto _ : state) {
    display::PutImage(nullptr, 0.0f, 0.0f, buffers.image.get(), display::ARG_DEFAULT, 0, 0, 0, 0,
                      keyed ? 0 : 1, putter);
    benchmark::ClobberMemory();
  }
  CountBytes(state, shape);
}

// The floor: memcpy of the same rows, row by row as PutOpaque copies them.
void BM_Memcpy(benchmark::State& state, Shape shape) {
  Buffers buffers(shape);
  const uint8_t* from = display::ImagePixels(buffers.image.get());
  uint8_t* to = Buffers::Page().page.data();
  const size_t fromPitch = buffers.image->pitch, toPitch = Buffers::Page().pitch;
  const size_t rowBytes = size_t(shape.width) * shape.bytes;
  for (auto _ : state) {
    for (int y = 0; y < shape.height; ++y) {
      std::memcpy(to + size_t(y) * toPitch, from + size_t(y) * fromPitch, rowBytes);
    }
    benchmark::ClobberMemory();
  }
  CountBytes(state, shape);
}

// What an SDL2 program would call: SDL_BlitSurface between surfaces of one
// format (ARGB8888, RGB565, or INDEX8 sharing one palette), blending off, with
// or without SDL_SetColorKey. The surfaces are made over the same two buffers.
void BM_SdlBlit(benchmark::State& state, Shape shape, bool keyed) {
  Buffers buffers(shape);
  const Uint32 format = shape.bytes == 4   ? SDL_PIXELFORMAT_ARGB8888
                        : shape.bytes == 2 ? SDL_PIXELFORMAT_RGB565
                                           : SDL_PIXELFORMAT_INDEX8;
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
      display::ImagePixels(buffers.image.get()), shape.width, shape.height, shape.bytes * 8,
      int(buffers.image->pitch), format);
  SDL_Surface* page = SDL_CreateRGBSurfaceWithFormatFrom(
      Buffers::Page().page.data(), PAGE_WIDTH, PAGE_HEIGHT, shape.bytes * 8,
      int(Buffers::Page().pitch), format);
  if (source == nullptr || page == nullptr) {
    state.SkipWithError(SDL_GetError());
  } else {
    if (shape.bytes == 1) SDL_SetSurfacePalette(page, source->format->palette);
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    if (keyed) SDL_SetColorKey(source, SDL_TRUE, KeyOf(shape.bytes));
    for (auto _ : state) {
      SDL_Rect at{0, 0, shape.width, shape.height};
      SDL_BlitSurface(source, nullptr, page, &at);
      benchmark::ClobberMemory();
    }
    CountBytes(state, shape);
  }
  SDL_FreeSurface(source);
  SDL_FreeSurface(page);
}

void RegisterAll() {
  for (const auto& [width, height] : {std::pair{48, 48}, std::pair{640, 480}}) {
    for (const int bytes : {4, 2, 1}) {
      const Shape shape{width, height, bytes};
      const std::string prefix =
          std::to_string(width) + "x" + std::to_string(height) + "/" + std::to_string(bytes) + "B/";
      benchmark::RegisterBenchmark((prefix + "memcpy").c_str(), BM_Memcpy, shape);
      benchmark::RegisterBenchmark((prefix + "PutOpaque").c_str(), BM_PutImage, shape, false);
      benchmark::RegisterBenchmark((prefix + "SDL_opaque").c_str(), BM_SdlBlit, shape, false);
      benchmark::RegisterBenchmark((prefix + "PutTransparent").c_str(), BM_PutImage, shape, true);
      benchmark::RegisterBenchmark((prefix + "SDL_keyed").c_str(), BM_SdlBlit, shape, true);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RegisterAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
