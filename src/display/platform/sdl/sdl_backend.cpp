// The SDL2 back end: the real window. Every SDL call here runs on the display
// layer's window thread, which initialises SDL's video, creates the window, pumps
// its events and presents the page. The window can be resized and switched to
// full screen (F11, Alt+Enter); the page is scaled into it (scaled_present.h),
// and gamepads add to the key table (gamepads.h).
#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>

#include "display/platform/backend.h"
#include "display/platform/sdl/event_fd.h"
#include "display/platform/sdl/full_screen.h"
#include "display/platform/sdl/gamepads.h"
#include "display/platform/sdl/scaled_present.h"
#include "display/platform/sdl/scancodes.h"
#include "display/platform/window.h"
#include "display/window_shape.h"

namespace display::platform {

namespace {

class SdlBackend final : public Backend {
 public:
  const char* Name() const override { return "sdl2"; }

  bool OpenWindow(int32_t width, int32_t height, const std::string& title, int32_t,
                  bool fullScreen) override {
    // A window nobody can see or close would keep the game running for ever.
    if (!AskedForDriver() && !HasDisplayServer()) return false;
    if (!videoStarted_) {
      if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
      videoStarted_ = true;
      PreferNativeSurface(SDL_GetCurrentVideoDriver());
    }
    if (!AskedForDriver() && !ShowsWindows(SDL_GetCurrentVideoDriver())) return false;
    pads_.Start();  // without pads (or their subsystem) the keyboard alone plays
    const Uint32 flags =
        SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE | (fullScreen ? SDL_WINDOW_FULLSCREEN : 0);
    const WindowShape shape = StartingShape();
    const bool sized = shape.width > 0 && shape.height > 0;
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               sized ? shape.width : width, sized ? shape.height : height, flags);
    if (window_ == nullptr) return false;
    // Creating the surface may re-create the window (for an accelerated
    // framebuffer); doing it now, before any title or pointer request is applied,
    // keeps those on the window that stays. A window that cannot be drawn into
    // would run unseen: no window then, as without a display.
    if (SDL_GetWindowSurface(window_) == nullptr) {
      DestroyWindow();
      return false;
    }
    present_.SetPage(width, height);
    SDL_DisableScreenSaver();
    SDL_RaiseWindow(window_);
    RecordShape();
    if (shape.fullScreen && !fullScreen) ToggleFullScreen();  // as F11 would
    return true;
  }

  void DestroyWindow() override {
    if (window_ == nullptr) return;
    SDL_DestroyWindow(window_);
    window_ = nullptr;
  }

  void Shutdown() override {
    DestroyWindow();
    pads_.Stop();
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);  // restores the screen saver
    videoStarted_ = false;
  }

  void Present(const PageView& page, int32_t firstRow, int32_t lastRow) override {
    if (window_ != nullptr) present_.Present(window_, page, firstRow, lastRow);
  }

  void PumpEvents(int64_t, std::vector<PendingMessage>& out) override {
    SDL_Event event;
    bool closeSeen = false;
    while (SDL_PollEvent(&event)) {
      switch (event.type) {
        case SDL_WINDOWEVENT:
          if (event.window.event == SDL_WINDOWEVENT_EXPOSED) present_.RepaintAll();
          if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
            present_.Relayout();
            RecordShape();
          }
          TranslateWindowEvent(event.window, out, closeSeen);
          break;
        case SDL_QUIT:  // also sent after a window close; alone it is a signal
          if (!closeSeen) out.push_back({WM_CLOSE, 0, 0});
          closeSeen = true;
          break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
          // F11 and Alt+Enter belong to the window: they never reach the game.
          if (IsFullScreenKey(event.key.keysym)) {
            if (event.type == SDL_KEYDOWN && event.key.repeat == 0) ToggleFullScreen();
            break;
          }
          TranslateKey(event.key, out);
          break;
        case SDL_TEXTINPUT:
          for (const char* c = event.text.text; *c != '\0'; ++c) {
            out.push_back({WM_CHAR, uintptr_t(uint8_t(*c)), 0});
          }
          break;
        default:
          pads_.HandleEvent(event);
          break;
      }
    }
  }

  void ReadKeyboard(uint8_t table[KEY_TABLE_SIZE]) override {
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    std::memset(table, 0, KEY_TABLE_SIZE);
    for (int scancode = 0; scancode < count; ++scancode) {
      if (!state[scancode]) continue;
      const int code = SetOneCode(SDL_Scancode(scancode));
      if (code >= 0) table[code] = 1;
    }
    table[SetOneCode(SDL_SCANCODE_F11)] = 0;
    if (SDL_GetModState() & KMOD_ALT) table[SetOneCode(SDL_SCANCODE_RETURN)] = 0;
    pads_.Fold(table);
  }

  int EventFd() override { return SdlEventFd(window_); }

  void SetTitle(const std::string& title) override {
    if (window_ != nullptr) SDL_SetWindowTitle(window_, title.c_str());
  }

  void SetPointer(const PointerState& pointer) override {
    if (window_ == nullptr) return;
    SDL_ShowCursor(pointer.visible ? SDL_ENABLE : SDL_DISABLE);
    SDL_SetWindowGrab(window_, pointer.confined ? SDL_TRUE : SDL_FALSE);
    if (pointer.warp) SDL_WarpMouseInWindow(window_, pointer.x, pointer.y);
  }

 private:
  // A driver named in SDL_VIDEODRIVER is taken as asked (tests ask for others).
  static bool AskedForDriver() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    return driver != nullptr && *driver != '\0';
  }

  // Checked before SDL starts: without an X or Wayland display to connect to,
  // SDL would print its Wayland probe's complaint and then settle for its
  // off-screen driver.
  static bool HasDisplayServer() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
      const char* value = std::getenv(name);
      if (value != nullptr && *value != '\0') return true;
    }
    return false;
  }

  // On X11, present through the window system's own shared-memory images: the
  // page is already in the window's pixel format, and a GL-backed window surface
  // would start a software renderer's threads to copy it once more. Other drivers
  // (Wayland) have no surface of their own and need the GL-backed one. SDL reads
  // the hint when it makes the first window surface, so setting it once video
  // runs is in time.
  static void PreferNativeSurface(const char* driver) {
    if (driver != nullptr && std::strcmp(driver, "x11") == 0) {
      SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
  }

  // Drivers that show a window to a person, unlike the off-screen and dummy ones.
  static bool ShowsWindows(const char* driver) {
    if (driver == nullptr) return false;
    for (const char* hidden : {"offscreen", "dummy", "evdev"}) {
      if (std::strcmp(driver, hidden) == 0) return false;
    }
    return true;
  }

  static void TranslateWindowEvent(const SDL_WindowEvent& event, std::vector<PendingMessage>& out,
                                   bool& closeSeen) {
    switch (event.event) {
      case SDL_WINDOWEVENT_CLOSE:
        out.push_back({WM_CLOSE, 0, 0});
        closeSeen = true;
        break;
      case SDL_WINDOWEVENT_FOCUS_GAINED:
      case SDL_WINDOWEVENT_RESTORED:
        out.push_back({WM_ACTIVATE, WA_ACTIVE, 0});
        break;
      case SDL_WINDOWEVENT_FOCUS_LOST:
        out.push_back({WM_ACTIVATE, WA_INACTIVE, 0});
        break;
      case SDL_WINDOWEVENT_MINIMIZED:
        out.push_back({WM_ACTIVATE, WA_ACTIVE | (uintptr_t{1} << 16), 0});
        break;
      case SDL_WINDOWEVENT_EXPOSED:
        out.push_back({WM_PAINT, 0, 0});
        break;
      case SDL_WINDOWEVENT_SIZE_CHANGED:
        out.push_back({WM_SIZE, 0, intptr_t(event.data1) | (intptr_t(event.data2) << 16)});
        out.push_back({WM_PAINT, 0, 0});  // the page moved: show all of it
        break;
      default:
        break;
    }
  }

  static bool IsFullScreenKey(const SDL_Keysym& key) {
    return key.scancode == SDL_SCANCODE_F11 ||
           ((key.scancode == SDL_SCANCODE_RETURN || key.scancode == SDL_SCANCODE_KP_ENTER) &&
            (key.mod & KMOD_ALT) != 0);
  }

  static void TranslateKey(const SDL_KeyboardEvent& event, std::vector<PendingMessage>& out) {
    const int code = SetOneCode(event.keysym.scancode);
    if (code < 0) return;
    // lParam as a window system would send it: scan code in bits 16-23, the
    // extended-key bit 24 for keys that have a non-extended twin.
    const SDL_Scancode s = event.keysym.scancode;
    const bool extended = s == SDL_SCANCODE_RCTRL || s == SDL_SCANCODE_RALT ||
                          s == SDL_SCANCODE_KP_ENTER || s == SDL_SCANCODE_KP_DIVIDE ||
                          (s >= SDL_SCANCODE_INSERT && s <= SDL_SCANCODE_UP);
    const intptr_t lParam = (intptr_t(code) << 16) | (extended ? intptr_t{1} << 24 : 0);
    out.push_back({event.type == SDL_KEYDOWN ? uint32_t{WM_KEYDOWN} : uint32_t{WM_KEYUP},
                   uintptr_t(event.keysym.sym), lParam});
  }

  void ToggleFullScreen() {
    fullScreen_.Toggle(window_);
    RecordShape();
  }

  // Tells the display layer whether the window is full screen, and its size if not.
  void RecordShape() {
    if (window_ == nullptr) return;
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    RecordWindowShape((SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0, w, h);
  }

  SDL_Window* window_ = nullptr;
  bool videoStarted_ = false;
  ScaledPresent present_;
  Gamepads pads_;
  FullScreen fullScreen_;
};

}  // namespace

std::unique_ptr<Backend> MakeSdlBackend() { return std::make_unique<SdlBackend>(); }

}  // namespace display::platform
