// RotateSprite on the game's 48x48 tank images beside PutOpaque of the same image
// into the destination (the blit the rotation is measured against), a plain
// copy of it (48 rows of 192 bytes by memcpy, the floor) and SDL2_gfx's
// rotozoomSurface without smoothing (the peer an SDL2 program would call).
// "per_position" is the time per 48x48 destination pixel.
#include <SDL.h>
#include <SDL2_rotozoom.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "display/blit.h"
#include "display/headless.h"
#include "display/screen.h"
#include "transform/rotate_sprite.h"
#include "transform/sprite_walk.h"

namespace {

constexpr uint32_t SIZE = 48;
constexpr double POSITIONS = SIZE * SIZE;

struct FreeImage {
  void operator()(display::Image* image) const { std::free(image); }
};
using BenchImage = std::unique_ptr<display::Image, FreeImage>;

BenchImage MakeImage() {
  auto* image =
      static_cast<display::Image*>(std::malloc(display::IMAGE_HEADER_SIZE + SIZE * SIZE * 4));
  *image = display::Image{display::IMAGE_TYPE, 4, SIZE, SIZE, SIZE * 4, 0, {0, 0}};
  for (uint32_t y = 0; y < SIZE; ++y) {
    for (uint32_t x = 0; x < SIZE; ++x) display::ImageRow32(image, y)[x] = (y << 8) | x;
  }
  return BenchImage(image);
}

void PerPosition(benchmark::State& state) {
  state.counters["per_position"] = benchmark::Counter(
      POSITIONS, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_CopyRows(benchmark::State& state) {
  const BenchImage source = MakeImage(), destination = MakeImage();
  for (auto _ : state) {
    for (uint32_t y = 0; y < SIZE; ++y) {
      std::memcpy(display::ImageRow32(destination.get(), y), display::ImageRow32(source.get(), y),
                  SIZE * 4);
    }
    benchmark::DoNotOptimize(destination.get());
    benchmark::ClobberMemory();
  }
  PerPosition(state);
}
BENCHMARK(BM_CopyRows);

void BM_PutOpaque(benchmark::State& state) {
  display::headless::Select(display::headless::Timing::Virtual);
  display::SetScreenMode(640, 480, 32, 1, 0, 0);
  const BenchImage source = MakeImage(), destination = MakeImage();
  for (auto _ : state) {
    display::PutImage(destination.get(), 0.0f, 0.0f, source.get(), display::ARG_DEFAULT, 0, 0, 0,
                      0, 1, display::PutOpaque);
    benchmark::ClobberMemory();
  }
  PerPosition(state);
  display::CloseScreen();
}
BENCHMARK(BM_PutOpaque);

void BM_RotateSprite(benchmark::State& state) {
  const BenchImage source = MakeImage(), destination = MakeImage();
  const auto heading = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    transform::RotateSprite(destination.get(), source.get(), heading);
    benchmark::ClobberMemory();
  }
  PerPosition(state);
}
BENCHMARK(BM_RotateSprite)->Arg(0)->Arg(30)->Arg(90)->Arg(137)->Arg(180);

// rotozoomSurface at zoom 1 without smoothing, on a surface over the same
// pixels. It returns a new surface each time, large enough for the turned
// corners (66x66 at 30 degrees), so its time includes that surface's
// allocation, zero fill and release: the price of the call as SDL2_gfx offers it.
void BM_RotozoomSurface(benchmark::State& state) {
  const BenchImage source = MakeImage();
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
      display::ImagePixels(source.get()), SIZE, SIZE, 32, SIZE * 4, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  const auto angle = static_cast<double>(state.range(0));
  for (auto _ : state) {
    SDL_Surface* turned = rotozoomSurface(surface, angle, 1.0, SMOOTHING_OFF);
    benchmark::DoNotOptimize(turned);
    SDL_FreeSurface(turned);
  }
  PerPosition(state);
  SDL_FreeSurface(surface);
}
BENCHMARK(BM_RotozoomSurface)->Arg(0)->Arg(30)->Arg(90)->Arg(137)->Arg(180);

// A new heading on every call, 0 to 359 in turn: the mapping is built each
// time instead of coming from the per-thread cache.
void BM_RotateSpriteEveryHeading(benchmark::State& state) {
  const BenchImage source = MakeImage(), destination = MakeImage();
  int32_t heading = 0;
  for (auto _ : state) {
    transform::RotateSprite(destination.get(), source.get(), heading);
    heading = heading == 359 ? 0 : heading + 1;
    benchmark::ClobberMemory();
  }
  PerPosition(state);
}
BENCHMARK(BM_RotateSpriteEveryHeading);

// The walk formed entirely in long double, as the mapping is defined: what the
// double-precision rows save.
void BM_RotateSpriteExtendedWalk(benchmark::State& state) {
  const BenchImage source = MakeImage(), destination = MakeImage();
  const auto mapping =
      transform::detail::MappingFor(SIZE, SIZE, static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    transform::detail::WalkExtended(destination.get(), source.get(), mapping, {SIZE, SIZE});
    benchmark::ClobberMemory();
  }
  PerPosition(state);
}
BENCHMARK(BM_RotateSpriteExtendedWalk)->Arg(30);

}  // namespace

BENCHMARK_MAIN();
