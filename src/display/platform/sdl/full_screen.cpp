// Full-screen switching; the X11 part only where no window manager runs.
#include "display/platform/sdl/full_screen.h"

#include <SDL2/SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstring>

namespace display::platform {

namespace {

// The X connection and window behind an SDL window on X11 with no window
// manager running (no _NET_SUPPORTING_WM_CHECK on the root window); false otherwise.
bool BareX11(SDL_Window* window, Display** display, Window* xwindow) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  *display = info.info.x11.display;
  *xwindow = info.info.x11.window;
  const Atom check = XInternAtom(*display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return true;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(*display, DefaultRootWindow(*display), check, 0, 1, False,
                                        XA_WINDOW, &type, &format, &count, &after, &data);
  const bool managed = status == Success && type == XA_WINDOW && count == 1;
  if (data != nullptr) XFree(data);
  return !managed;
}

}  // namespace

void FullScreen::Toggle(SDL_Window* window) {
  if (window == nullptr) return;
  const bool full = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
  Display* display = nullptr;
  Window xwindow = 0;
  const bool bare = BareX11(window, &display, &xwindow);
  if (!full && bare) {
    SDL_GetWindowPosition(window, &windowed_.x, &windowed_.y);
    SDL_GetWindowSize(window, &windowed_.w, &windowed_.h);
  }
  SDL_SetWindowFullscreen(window, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
  if (!bare) return;
  SDL_Rect area = windowed_;
  if (!full && SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window), &area) != 0) return;
  if (area.w <= 0 || area.h <= 0) return;
  XMoveResizeWindow(display, xwindow, area.x, area.y, unsigned(area.w), unsigned(area.h));
  XRaiseWindow(display, xwindow);
  XFlush(display);
}

}  // namespace display::platform
