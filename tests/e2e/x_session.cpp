// The X side of the end-to-end tests: window lookup, pixel read-back, XTest keys
// and the window manager's close request.
#include "x_session.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace e2e {

namespace {

// A vanished window must fail the call that touched it, not end the test program
// (Xlib's default handler exits).
int IgnoreError(Display*, XErrorEvent*) { return 0; }

// Scales one channel of an X pixel to 8 bits using its mask.
uint32_t Channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const uint32_t value = uint32_t((pixel & mask) >> shift);
  return bits >= 8 ? value >> (bits - 8) : (value * 255u) / ((1u << bits) - 1u);
}

bool Within(const Snapshot& s, int x, int y) {
  return x >= 0 && y >= 0 && x < s.width && y < s.height;
}

template <typename Test>
int CountIf(const Snapshot& s, const Rect& area, Test test) {
  int count = 0;
  for (int y = area.y; y < area.y + area.height; ++y) {
    for (int x = area.x; x < area.x + area.width; ++x) {
      if (Within(s, x, y) && test(s.At(x, y))) ++count;
    }
  }
  return count;
}

}  // namespace

int Snapshot::Count(const Rect& area, uint32_t rgb) const {
  return CountIf(*this, area, [rgb](uint32_t pixel) { return pixel == rgb; });
}

int Snapshot::CountNonBlack(const Rect& area) const {
  return CountIf(*this, area, [](uint32_t pixel) { return pixel != 0; });
}

int Snapshot::FirstInRow(int y, uint32_t rgb) const {
  if (y < 0 || y >= height) return -1;
  for (int x = 0; x < width; ++x) {
    if (At(x, y) == rgb) return x;
  }
  return -1;
}

bool Snapshot::SavePpm(const std::string& path) const {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << width << ' ' << height << "\n255\n";
  for (uint32_t pixel : pixels) {
    const char rgb[3] = {char(pixel >> 16), char(pixel >> 8), char(pixel)};
    out.write(rgb, 3);
  }
  return bool(out);
}

XSession::XSession(const char* displayName) {
  XSetErrorHandler(IgnoreError);
  const char* name = displayName != nullptr ? displayName : std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return;
  // A server busy with the previous test's clients may refuse a connection for a
  // moment; only a refusal that lasts counts.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while ((display_ = XOpenDisplay(name)) == nullptr &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (display_ == nullptr) return;
  int event = 0, error = 0, major = 0, minor = 0;
  hasXTest_ = XTestQueryExtension(display_, &event, &error, &major, &minor);
}

XSession::~XSession() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

std::vector<Window> XSession::TopLevelWindows() {
  // The root's children, and their children too: under a reparenting window
  // manager the program's window sits one level down, inside its frame.
  std::vector<Window> windows;
  auto children = [this](Window parent, std::vector<Window>& out) {
    Window root = 0, up = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, parent, &root, &up, &list, &count)) return;
    out.insert(out.end(), list, list + count);
    if (list != nullptr) XFree(list);
  };
  children(DefaultRootWindow(display_), windows);
  const size_t frames = windows.size();
  for (size_t i = 0; i < frames; ++i) children(windows[i], windows);
  return windows;
}

std::optional<std::string> XSession::TextProperty(Window window, const char* property) {
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  const Atom name = XInternAtom(display_, property, False);
  if (XGetWindowProperty(display_, window, name, 0, 1024, False, AnyPropertyType, &type, &format,
                         &items, &after, &data) != Success) {
    return std::nullopt;
  }
  std::optional<std::string> text;
  if (data != nullptr && format == 8) text.emplace(reinterpret_cast<char*>(data), items);
  if (data != nullptr) XFree(data);
  return text;
}

std::optional<unsigned long> XSession::CardinalProperty(Window window, const char* property) {
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  const Atom name = XInternAtom(display_, property, False);
  if (XGetWindowProperty(display_, window, name, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                         &after, &data) != Success) {
    return std::nullopt;
  }
  std::optional<unsigned long> value;
  if (data != nullptr && format == 32 && items == 1)
    value = *reinterpret_cast<unsigned long*>(data);
  if (data != nullptr) XFree(data);
  return value;
}

bool XSession::Viewable(Window window) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(display_, window, &attributes) && attributes.map_state == IsViewable;
}

Window XSession::FindWindow(const std::string& title, pid_t pid,
                            std::chrono::milliseconds timeout) {
  if (!ok()) return 0;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    for (Window window : TopLevelWindows()) {
      auto name = TextProperty(window, "_NET_WM_NAME");
      if (!name) name = TextProperty(window, "WM_NAME");
      if (name != title || !Viewable(window)) continue;
      const auto owner = CardinalProperty(window, "_NET_WM_PID");
      if (pid > 0 && owner && *owner != static_cast<unsigned long>(pid)) continue;
      return window;
    }
    if (std::chrono::steady_clock::now() >= deadline) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::optional<Rect> XSession::ClientGeometry(Window window) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display_, window, &attributes)) return std::nullopt;
  int x = 0, y = 0;
  Window child = 0;
  if (!XTranslateCoordinates(display_, window, attributes.root, 0, 0, &x, &y, &child)) {
    return std::nullopt;
  }
  return Rect{x, y, attributes.width, attributes.height};
}

Rect XSession::RootGeometry() {
  const int screen = DefaultScreen(display_);
  return Rect{0, 0, DisplayWidth(display_, screen), DisplayHeight(display_, screen)};
}

std::optional<Snapshot> XSession::Capture(Window window) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display_, window, &attributes) || attributes.width <= 0 ||
      attributes.height <= 0) {
    return std::nullopt;
  }
  XImage* image = XGetImage(display_, window, 0, 0, unsigned(attributes.width),
                            unsigned(attributes.height), AllPlanes, ZPixmap);
  if (image == nullptr) return std::nullopt;
  // XGetImage leaves the image's colour masks empty: they belong to the visual.
  const Visual& visual = *attributes.visual;
  Snapshot snapshot;
  snapshot.width = attributes.width;
  snapshot.height = attributes.height;
  snapshot.pixels.resize(size_t(snapshot.width) * size_t(snapshot.height));
  for (int y = 0; y < snapshot.height; ++y) {
    for (int x = 0; x < snapshot.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      snapshot.pixels[size_t(y) * size_t(snapshot.width) + size_t(x)] =
          Channel(pixel, visual.red_mask) << 16 | Channel(pixel, visual.green_mask) << 8 |
          Channel(pixel, visual.blue_mask);
    }
  }
  XDestroyImage(image);
  return snapshot;
}

void XSession::MoveResizeWindow(Window window, const Rect& area) {
  XMoveResizeWindow(display_, window, area.x, area.y, unsigned(area.width), unsigned(area.height));
  XSync(display_, False);
}

void XSession::Focus(Window window) {
  if (const auto geometry = ClientGeometry(window)) {
    XWarpPointer(display_, 0, window, 0, 0, 0, 0, geometry->width / 2, geometry->height / 2);
  }
  XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
  XSync(display_, False);
}

void XSession::PressKey(KeySym key) {
  XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), True, CurrentTime);
  XSync(display_, False);
}

void XSession::ReleaseKey(KeySym key) {
  XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), False, CurrentTime);
  XSync(display_, False);
}

void XSession::ReleaseAllKeys() {
  if (!ok()) return;
  char keys[32] = {};
  XQueryKeymap(display_, keys);
  for (unsigned code = 0; code < 256; ++code) {
    if (keys[code / 8] & (1 << (code % 8))) XTestFakeKeyEvent(display_, code, False, CurrentTime);
  }
  XSync(display_, False);
}

bool XSession::PointerVisibleAt(int x, int y) {
  XWarpPointer(display_, 0, DefaultRootWindow(display_), 0, 0, 0, 0, x, y);
  XSync(display_, False);
  XFixesCursorImage* cursor = XFixesGetCursorImage(display_);
  if (cursor == nullptr) return false;
  const size_t count = size_t(cursor->width) * size_t(cursor->height);
  const bool visible = std::any_of(cursor->pixels, cursor->pixels + count,
                                   [](unsigned long argb) { return (argb >> 24 & 0xFF) != 0; });
  XFree(cursor);
  return visible;
}

bool XSession::SendCloseRequest(Window window) {
  const Atom protocols = XInternAtom(display_, "WM_PROTOCOLS", False);
  const Atom deleteWindow = XInternAtom(display_, "WM_DELETE_WINDOW", False);
  Atom* offered = nullptr;
  int count = 0;
  bool takesDelete = false;
  if (XGetWMProtocols(display_, window, &offered, &count)) {
    for (int i = 0; i < count; ++i) takesDelete = takesDelete || offered[i] == deleteWindow;
    XFree(offered);
  }
  if (!takesDelete) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = protocols;
  event.xclient.format = 32;
  event.xclient.data.l[0] = long(deleteWindow);
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(display_, window, False, NoEventMask, &event);
  XSync(display_, False);
  return sent != 0;
}

}  // namespace e2e
