// Internal to the display library: the narrow interface between the window thread
// and a window system. Every call comes from the thread that runs the window
// passes (the window thread, or the sleeping thread on the headless virtual clock).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/keys.h"

namespace display::platform {

struct PendingMessage {
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

// The page as a pass hands it over: rows pitch bytes apart, each pixel a 0xAARRGGBB
// word (4 bytes), RGB 5-6-5 (2 bytes) or an index into the palette (1 byte), whose
// entries hold red in bits 0-7, green in 8-15 and blue in 16-23.
struct PageView {
  const uint8_t* pixels = nullptr;
  uint32_t pitch = 0;
  uint32_t bytesPerPixel = 4;
  const uint32_t* palette = nullptr;  // 256 entries
};

struct PointerState {
  bool visible = true;
  bool confined = false;
  bool warp = false;  // move to (x, y) once
  int32_t x = 0, y = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* Name() const = 0;
  // Creates the window: client area width x height, centred, captioned, shown.
  virtual bool OpenWindow(int32_t width, int32_t height, const std::string& title,
                          int32_t refreshRate, bool fullScreen) = 0;
  // Destroys the window if it still exists. Idempotent.
  virtual void DestroyWindow() = 0;
  // Releases the window system; the last call, after DestroyWindow.
  virtual void Shutdown() {}
  // Copies rows first..last of the page to the window.
  virtual void Present(const PageView& page, int32_t firstRow, int32_t lastRow) = 0;
  // Collects the window system's pending events as window messages (nowMs: the
  // pass time, which the headless back end hands to its pass hook).
  virtual void PumpEvents(int64_t nowMs, std::vector<PendingMessage>& out) = 0;
  // Writes 1 for every scan code whose key is held, 0 for the rest.
  virtual void ReadKeyboard(uint8_t table[KEY_TABLE_SIZE]) = 0;
  // A descriptor that turns readable when the window system has events for
  // PumpEvents, for the window thread to wait on; -1 when there is none.
  virtual int EventFd() { return -1; }
  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetPointer(const PointerState& pointer) = 0;
};

std::unique_ptr<Backend> MakeSdlBackend();
std::unique_ptr<Backend> MakeHeadlessBackend();

}  // namespace display::platform
