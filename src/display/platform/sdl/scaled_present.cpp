// Scaled presenting into the SDL window surface.
#include "display/platform/sdl/scaled_present.h"

#include "display/platform/sdl/scaler.h"

namespace display::platform {

void ScaledPresent::Present(SDL_Window* window, const uint8_t* page, uint32_t pitch, int32_t first,
                            int32_t last) {
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (surface == nullptr) return;
  const PageLayout layout = FitPage(pageWidth_, pageHeight_, surface->w, surface->h);
  const bool newLayout =
      surface != shownSurface_ || surface->w != shownWidth_ || surface->h != shownHeight_;
  if (newLayout) {
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    shownSurface_ = surface, shownWidth_ = surface->w, shownHeight_ = surface->h;
    first = 0, last = pageHeight_ - 1;
  }
  const RowSpan rows = TargetRows(layout, pageHeight_, first, last);
  if (rows.count > 0) {
    SDL_LockSurface(surface);
    // The page's 0xAARRGGBB words are SDL's ARGB8888; the window surface is
    // usually the same layout without alpha, and is then written directly.
    const Uint32 format = surface->format->format;
    auto* pixels = static_cast<uint8_t*>(surface->pixels);
    if (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) {
      ScaleRows(page, pitch, pageWidth_, pageHeight_, first, last, layout, pixels,
                uint32_t(surface->pitch));
    } else {
      const uint32_t scratchPitch = uint32_t(surface->w) * 4;
      scratch_.resize(size_t(scratchPitch) * size_t(surface->h));
      ScaleRows(page, pitch, pageWidth_, pageHeight_, first, last, layout, scratch_.data(),
                scratchPitch);
      SDL_ConvertPixels(layout.width, rows.count, SDL_PIXELFORMAT_ARGB8888,
                        scratch_.data() + size_t(rows.first) * scratchPitch + size_t(layout.x) * 4,
                        int(scratchPitch), format,
                        pixels + size_t(rows.first) * size_t(surface->pitch) +
                            size_t(layout.x) * surface->format->BytesPerPixel,
                        surface->pitch);
    }
    SDL_UnlockSurface(surface);
  }
  if (newLayout || repaintAll_) {
    SDL_UpdateWindowSurface(window);
  } else if (rows.count > 0) {
    const SDL_Rect band{layout.x, rows.first, layout.width, rows.count};
    SDL_UpdateWindowSurfaceRects(window, &band, 1);
  }
  repaintAll_ = false;
}

}  // namespace display::platform
