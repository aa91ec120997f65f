// Scaled presenting into the SDL window surface.
//
// The game redraws its whole page every frame, so most marked rows come back
// unchanged; a copy of the page as last shown lets those rows be skipped, which
// keeps scaling (and sending) at 2x and 3x down to the rows that really moved.
#include "display/platform/sdl/scaled_present.h"

#include <algorithm>
#include <cstring>

#include "display/platform/sdl/page_pixels.h"
#include "display/platform/sdl/scaler.h"

namespace display::platform {

void ScaledPresent::Present(SDL_Window* window, const PageView& page, int32_t first, int32_t last) {
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (surface == nullptr || pageWidth_ <= 0 || pageHeight_ <= 0) return;
  const PageLayout layout = FitPage(pageWidth_, pageHeight_, surface->w, surface->h);
  const bool newLayout =
      surface != shownSurface_ || surface->w != shownWidth_ || surface->h != shownHeight_;
  const size_t rowBytes = size_t(pageWidth_) * page.bytesPerPixel;
  if (newLayout) {
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    shownSurface_ = surface, shownWidth_ = surface->w, shownHeight_ = surface->h;
    shownPage_.assign(rowBytes * size_t(pageHeight_), 0);
  }
  // The same index bytes show other colours under a new palette.
  const bool newPalette =
      page.bytesPerPixel == 1 &&
      !std::equal(shownPalette_.begin(), shownPalette_.end(), page.palette);
  if (newPalette) std::copy_n(page.palette, shownPalette_.size(), shownPalette_.begin());
  const bool showAll = newLayout || newPalette;
  if (showAll) first = 0, last = pageHeight_ - 1;

  // The scaler copies 32-bit pixels: narrower pages go through a widened copy.
  const uint32_t widePitch = uint32_t(pageWidth_) * 4;
  const bool wide = page.bytesPerPixel == 4;
  if (!wide) widened_.resize(size_t(widePitch) * size_t(pageHeight_));
  const uint8_t* source = wide ? page.pixels : widened_.data();
  const uint32_t sourcePitch = wide ? page.pitch : widePitch;
  first = std::max(first, 0);
  last = std::min(last, pageHeight_ - 1);

  SDL_LockSurface(surface);
  std::vector<SDL_Rect>& rects = rects_;
  rects.clear();
  // The page's 0xAARRGGBB words are SDL's ARGB8888; the window surface is
  // usually the same layout without alpha, and is then written directly.
  const Uint32 format = surface->format->format;
  const bool direct = format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888;
  const uint32_t scratchPitch = uint32_t(surface->w) * 4;
  if (!direct) scratch_.resize(size_t(scratchPitch) * size_t(surface->h));
  auto* pixels = static_cast<uint8_t*>(surface->pixels);
  const auto show = [&](int32_t from, int32_t to) {
    const RowSpan rows = TargetRows(layout, pageHeight_, from, to);
    if (rows.count <= 0) return;
    if (!wide) RowsToArgb(page, pageWidth_, from, to, widened_.data(), widePitch);
    if (direct) {
      ScaleRows(source, sourcePitch, pageWidth_, pageHeight_, from, to, layout, pixels,
                uint32_t(surface->pitch));
    } else {
      ScaleRows(source, sourcePitch, pageWidth_, pageHeight_, from, to, layout, scratch_.data(),
                scratchPitch);
      SDL_ConvertPixels(layout.width, rows.count, SDL_PIXELFORMAT_ARGB8888,
                        scratch_.data() + size_t(rows.first) * scratchPitch + size_t(layout.x) * 4,
                        int(scratchPitch), format,
                        pixels + size_t(rows.first) * size_t(surface->pitch) +
                            size_t(layout.x) * surface->format->BytesPerPixel,
                        surface->pitch);
    }
    rects.push_back({layout.x, rows.first, layout.width, rows.count});
  };
  // Runs of rows that differ from what is shown.
  int32_t runStart = -1;
  for (int32_t row = first; row <= last; ++row) {
    const uint8_t* pageRow = page.pixels + size_t(row) * page.pitch;
    uint8_t* shown = shownPage_.data() + size_t(row) * rowBytes;
    const bool changed = showAll || std::memcmp(pageRow, shown, rowBytes) != 0;
    if (changed) {
      std::memcpy(shown, pageRow, rowBytes);
      if (runStart < 0) runStart = row;
    } else if (runStart >= 0) {
      show(runStart, row - 1);
      runStart = -1;
    }
  }
  if (runStart >= 0) show(runStart, last);
  SDL_UnlockSurface(surface);

  if (newLayout || repaintAll_) {
    SDL_UpdateWindowSurface(window);
  } else if (!rects.empty()) {
    SDL_UpdateWindowSurfaceRects(window, rects.data(), int(rects.size()));
  }
  repaintAll_ = false;
}

}  // namespace display::platform
