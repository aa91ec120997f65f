// Presenting the page into an SDL window of any size: the rows of the marked band
// that differ from what the window shows are scaled (scaler.h) straight into the
// window surface and only their rectangles are sent. A new surface size (a
// resize, full screen) paints the window black and sends the whole page; after an
// expose the whole window is sent again. 2- and 1-byte pages are widened to 32-bit
// pixels first (page_pixels.h); a new palette shows the whole page again.
// Window thread only.
#pragma once
#include <SDL2/SDL.h>

#include <array>
#include <cstdint>
#include <vector>

#include "display/platform/backend.h"

namespace display::platform {

class ScaledPresent {
 public:
  // The page's size (the window's first client area).
  void SetPage(int32_t width, int32_t height) { pageWidth_ = width, pageHeight_ = height; }
  // The window system lost the window's contents: send all of it next time.
  void RepaintAll() { repaintAll_ = true; }
  // The window's size changed: lay the page out afresh next time, even on a
  // surface of the old size (SDL may have made a new one in the same place).
  void Relayout() { shownSurface_ = nullptr; }
  // Shows page rows first..last.
  void Present(SDL_Window* window, const PageView& page, int32_t first, int32_t last);

 private:
  int32_t pageWidth_ = 0, pageHeight_ = 0;
  // The surface the page was last laid out on; a different one needs a new layout.
  const SDL_Surface* shownSurface_ = nullptr;
  int shownWidth_ = 0, shownHeight_ = 0;
  bool repaintAll_ = false;
  std::vector<uint8_t> shownPage_;  // the page rows as the window shows them
  std::array<uint32_t, 256> shownPalette_{};  // the palette they were shown with (1-byte pages)
  std::vector<uint8_t> widened_;    // 2- and 1-byte pages as 32-bit pixels
  std::vector<SDL_Rect> rects_;     // the rectangles sent by one Present
  std::vector<uint8_t> scratch_;    // for window surfaces in another pixel format
};

}  // namespace display::platform
