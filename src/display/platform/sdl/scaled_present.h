// Presenting the page into an SDL window of any size: the rows of the marked band
// that differ from what the window shows are scaled (scaler.h) straight into the
// window surface and only their rectangles are sent. A new surface size (a resize, full screen) paints the window black and
// sends the whole page; after an expose the whole window is sent again.
// Window thread only.
#pragma once
#include <SDL2/SDL.h>

#include <cstdint>
#include <vector>

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
  // Shows page rows first..last (32-bit 0xAARRGGBB pixels, pitch bytes apart).
  void Present(SDL_Window* window, const uint8_t* page, uint32_t pitch, int32_t first,
               int32_t last);

 private:
  int32_t pageWidth_ = 0, pageHeight_ = 0;
  // The surface the page was last laid out on; a different one needs a new layout.
  const SDL_Surface* shownSurface_ = nullptr;
  int shownWidth_ = 0, shownHeight_ = 0;
  bool repaintAll_ = false;
  std::vector<uint8_t> shownPage_;  // the page rows as the window shows them
  std::vector<SDL_Rect> rects_;     // the rectangles sent by one Present
  std::vector<uint8_t> scratch_;    // for window surfaces in another pixel format
};

}  // namespace display::platform
