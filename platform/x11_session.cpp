#include "platform/x11_session.h"

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#if defined(SELVANE_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define SELVANE_X11 1
#ifdef SELVANE_HAVE_XCB_SHAPE
#include <xcb/shape.h>
#endif
#endif

namespace selvane::platform::x11 {

#ifdef SELVANE_X11
namespace {

xcb_connection_t* Connection() {
  if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* x = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x ? x->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  if (!r) return XCB_ATOM_NONE;
  const xcb_atom_t a = r->atom;
  std::free(r);
  return a;
}

// The screen number of the display name (":0.1" is screen 1); 0 when none is given.
int DefaultScreen() {
  const char* display = std::getenv("DISPLAY");
  if (!display) return 0;
  const std::string d(display);
  const auto colon = d.rfind(':');
  if (colon == std::string::npos) return 0;
  const auto dot = d.find('.', colon);
  if (dot == std::string::npos) return 0;
  return std::atoi(d.c_str() + dot + 1);
}

const xcb_screen_t* Screen(xcb_connection_t* c) {
  int n = DefaultScreen();
  for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it), --n)
    if (n <= 0) return it.data;
  return nullptr;
}

// A property's values of the given type and format (8 or 32 bits), at most `count` of them;
// none when it is missing or of another type.
template <class T>
std::vector<T> ReadProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property,
                            xcb_atom_t type, uint32_t count) {
  static_assert(sizeof(T) == 1 || sizeof(T) == 4);
  std::vector<T> values;
  if (property == XCB_ATOM_NONE || type == XCB_ATOM_NONE) return values;
  const uint32_t longs = sizeof(T) == 4 ? count : (count + 3) / 4;
  xcb_get_property_reply_t* r =
      xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, longs), nullptr);
  if (!r) return values;
  if (r->format == sizeof(T) * 8 && r->type == type) {
    const auto* data = static_cast<const T*>(xcb_get_property_value(r));
    values.assign(data, data + xcb_get_property_value_length(r) / static_cast<int>(sizeof(T)));
  }
  std::free(r);
  return values;
}

std::vector<uint32_t> ReadCardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property,
                                    xcb_atom_t type, uint32_t count) {
  return ReadProperty<uint32_t>(c, w, property, type, count);
}

// Whether a window manager runs and lists the atom among what it supports (_NET_SUPPORTED).
bool Supported(xcb_connection_t* c, const xcb_screen_t* screen, xcb_atom_t wanted) {
  if (!screen || wanted == XCB_ATOM_NONE) return false;
  const std::vector<uint32_t> atoms =
      ReadCardinals(c, screen->root, Atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096);
  return std::find(atoms.begin(), atoms.end(), wanted) != atoms.end();
}

// Whether the window manager has the window on the screen (or iconified): it then takes state
// changes as client messages only. Before it maps the window, the property is what it reads.
bool MappedByWindowManager(xcb_connection_t* c, xcb_window_t w) {
  xcb_get_window_attributes_reply_t* a =
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
  if (!a) return false;
  const bool mapped = a->map_state != XCB_MAP_STATE_UNMAPPED;
  std::free(a);
  return mapped;
}

bool IsIconic(xcb_connection_t* c, xcb_window_t w) {
  const xcb_atom_t wmState = Atom(c, "WM_STATE");
  const std::vector<uint32_t> state = ReadCardinals(c, w, wmState, wmState, 2);
  constexpr uint32_t kIconicState = 3;
  return !state.empty() && state[0] == kIconicState;
}

}  // namespace

bool Available() {
  return Connection() != nullptr;
}

bool ServerReachable() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return false;
  xcb_connection_t* c = xcb_connect(display, nullptr);
  const bool ok = c && xcb_connection_has_error(c) == 0;
  if (c) xcb_disconnect(c);
  return ok;
}

void SetStates(std::uintptr_t window, const std::vector<const char*>& states, bool on) {
  xcb_connection_t* c = Connection();
  if (!c || !window || states.empty()) return;
  const auto w = static_cast<xcb_window_t>(window);
  const xcb_atom_t state = Atom(c, "_NET_WM_STATE");
  if (state == XCB_ATOM_NONE) return;
  std::vector<xcb_atom_t> wanted;
  for (const char* name : states)
    if (const xcb_atom_t a = Atom(c, name); a != XCB_ATOM_NONE) wanted.push_back(a);
  if (MappedByWindowManager(c, w) || IsIconic(c, w)) {
    const xcb_screen_t* screen = Screen(c);
    if (!screen) return;
    // Two states a message, as the window manager reads them.
    for (std::size_t i = 0; i < wanted.size(); i += 2) {
      xcb_client_message_event_t ev{};
      ev.response_type = XCB_CLIENT_MESSAGE;
      ev.format = 32;
      ev.window = w;
      ev.type = state;
      constexpr uint32_t kRemove = 0, kAdd = 1, kFromApplication = 1;
      ev.data.data32[0] = on ? kAdd : kRemove;
      ev.data.data32[1] = wanted[i];
      ev.data.data32[2] = i + 1 < wanted.size() ? wanted[i + 1] : 0;
      ev.data.data32[3] = kFromApplication;
      xcb_send_event(c, 0, screen->root,
                     XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                     reinterpret_cast<const char*>(&ev));
    }
    xcb_flush(c);
    return;
  }
  std::vector<uint32_t> atoms = ReadCardinals(c, w, state, XCB_ATOM_ATOM, 1024);
  bool changed = false;
  for (xcb_atom_t a : wanted) {
    const auto at = std::find(atoms.begin(), atoms.end(), a);
    if (on && at == atoms.end()) {
      atoms.push_back(a);
      changed = true;
    } else if (!on && at != atoms.end()) {
      atoms.erase(at);
      changed = true;
    }
  }
  if (!changed) return;
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, state, XCB_ATOM_ATOM, 32,
                      static_cast<uint32_t>(atoms.size()), atoms.data());
  xcb_flush(c);
}

bool WindowManagerSupports(const char* atom) {
  xcb_connection_t* c = Connection();
  return c && Supported(c, Screen(c), Atom(c, atom));
}

std::string WindowManagerName() {
  xcb_connection_t* c = Connection();
  const xcb_screen_t* screen = c ? Screen(c) : nullptr;
  if (!screen) return {};
  const std::vector<uint32_t> check =
      ReadCardinals(c, screen->root, Atom(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 1);
  if (check.empty()) return {};
  const std::vector<char> name =
      ReadProperty<char>(c, check[0], Atom(c, "_NET_WM_NAME"), Atom(c, "UTF8_STRING"), 256);
  return std::string(name.begin(), name.end());
}

bool CompositorRunning() {
  xcb_connection_t* c = Connection();
  if (!c) return false;
  const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen());
  const xcb_atom_t selection = Atom(c, name.c_str());
  if (selection == XCB_ATOM_NONE) return false;
  xcb_get_selection_owner_reply_t* r =
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
  if (!r) return false;
  const bool owned = r->owner != XCB_NONE;
  std::free(r);
  return owned;
}

namespace {

void MoveWithGravity(std::uintptr_t window, int x, int y, uint32_t gravity) {
  xcb_connection_t* c = Connection();
  if (!c || !window) return;
  const auto w = static_cast<xcb_window_t>(window);
  const xcb_screen_t* screen = Screen(c);
  const xcb_atom_t moveResize = Atom(c, "_NET_MOVERESIZE_WINDOW");
  if (Supported(c, screen, moveResize)) {
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = w;
    ev.type = moveResize;
    constexpr uint32_t kXPresent = 1u << 8, kYPresent = 1u << 9, kFromApplication = 1u << 12;
    ev.data.data32[0] = gravity | kXPresent | kYPresent | kFromApplication;
    ev.data.data32[1] = static_cast<uint32_t>(x);
    ev.data.data32[2] = static_cast<uint32_t>(y);
    xcb_send_event(c, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
  } else {
    // With the size the window has: a window manager that reads changed decorations only when
    // the window is configured draws its frame anew then.
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
    const uint32_t values[] = {static_cast<uint32_t>(x), static_cast<uint32_t>(y),
                               g ? g->width : 0u, g ? g->height : 0u};
    xcb_configure_window(c, w,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y |
                             (g ? XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT : 0),
                         values);
    std::free(g);
  }
  xcb_flush(c);
}

}  // namespace

// North-west gravity: x and y are the outer corner; static gravity: the client's corner.
void MoveFrame(std::uintptr_t window, int x, int y) {
  MoveWithGravity(window, x, y, 1);
}
void MoveClient(std::uintptr_t window, int x, int y) {
  MoveWithGravity(window, x, y, 10);
}

bool StartMove(std::uintptr_t window, int rootX, int rootY) {
  xcb_connection_t* c = Connection();
  if (!c || !window) return false;
  const xcb_screen_t* screen = Screen(c);
  const xcb_atom_t moveResize = Atom(c, "_NET_WM_MOVERESIZE");
  if (!Supported(c, screen, moveResize)) return false;
  xcb_client_message_event_t ev{};
  ev.response_type = XCB_CLIENT_MESSAGE;
  ev.format = 32;
  ev.window = static_cast<xcb_window_t>(window);
  ev.type = moveResize;
  constexpr uint32_t kMove = 8, kLeftButton = 1, kFromApplication = 1;
  ev.data.data32[0] = static_cast<uint32_t>(rootX);
  ev.data.data32[1] = static_cast<uint32_t>(rootY);
  ev.data.data32[2] = kMove;
  ev.data.data32[3] = kLeftButton;
  ev.data.data32[4] = kFromApplication;
  // The pointer grab of the press goes, so that the window manager can take the pointer.
  xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
  xcb_send_event(c, 0, screen->root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&ev));
  xcb_flush(c);
  return true;
}

namespace {

// How many pixels from (x, y) onwards, stepping by (dx, dy), are not fully opaque in a window
// with an alpha channel, at most `limit`; -1 where the pixels cannot be read or none of them is
// opaque (a frame not drawn yet).
int TranslucentRun(xcb_connection_t* c, xcb_window_t window, int x, int y, int dx, int dy,
                   int limit) {
  if (limit <= 0) return 0;
  const int width = dx ? limit : 1, height = dy ? limit : 1;
  const int left = dx < 0 ? x - limit + 1 : x, top = dy < 0 ? y - limit + 1 : y;
  xcb_get_image_reply_t* r = xcb_get_image_reply(
      c,
      xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, static_cast<int16_t>(left),
                    static_cast<int16_t>(top), static_cast<uint16_t>(width),
                    static_cast<uint16_t>(height), ~0u),
      nullptr);
  if (!r) return -1;
  int run = -1;
  if (r->depth == 32 && xcb_get_image_data_length(r) >= limit * 4) {
    run = 0;
    const auto* pixels = reinterpret_cast<const uint32_t*>(xcb_get_image_data(r));
    const bool backwards = dx < 0 || dy < 0;
    while (run < limit && pixels[backwards ? limit - 1 - run : run] >> 24 != 0xff) ++run;
    if (run == limit) run = -1;
  }
  std::free(r);
  return run;
}

}  // namespace

bool FrameMargins(std::uintptr_t window, int& left, int& top, int& right, int& bottom) {
  xcb_connection_t* c = Connection();
  if (!c || !window) return false;
  const auto w = static_cast<xcb_window_t>(window);
  // The top-level ancestor: the window manager's frame, or the window itself.
  xcb_window_t top_level = w;
  for (int depth = 0; depth < 16; ++depth) {
    xcb_query_tree_reply_t* t = xcb_query_tree_reply(c, xcb_query_tree(c, top_level), nullptr);
    if (!t) return false;
    const xcb_window_t parent = t->parent, root = t->root;
    std::free(t);
    if (parent == root || parent == XCB_NONE) break;
    top_level = parent;
  }
  if (top_level == w) {
    left = top = right = bottom = 0;
    return true;
  }
  const std::vector<uint32_t> extents =
      ReadCardinals(c, w, Atom(c, "_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 4);
  xcb_get_geometry_reply_t* outer =
      xcb_get_geometry_reply(c, xcb_get_geometry(c, top_level), nullptr);
  xcb_get_geometry_reply_t* inner = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
  xcb_translate_coordinates_reply_t* at =
      outer ? xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, w, outer->root, 0, 0),
                                              nullptr)
            : nullptr;
  const bool ok = outer && inner && at;
  const int outerW = ok ? outer->width + 2 * outer->border_width : 0;
  const int outerH = ok ? outer->height + 2 * outer->border_width : 0;
  if (ok) {
    left = at->dst_x - outer->x;
    top = at->dst_y - outer->y;
    right = outerW - inner->width - left;
    bottom = outerH - inner->height - top;
  }
  if (extents.size() == 4) {
    // Some window managers draw invisible resize borders around the visible frame: their own
    // figures count only what is seen, and they place the window by those. A compositor that
    // draws the decorations itself gives the window a frame of its own size. Figures larger
    // than a frame around the window are stale (left from before the decorations went); figures
    // that are the whole of a translucent frame may count its shadow: the frame itself is
    // looked at then.
    const int e[4] = {static_cast<int>(extents[0]), static_cast<int>(extents[2]),
                      static_cast<int>(extents[1]), static_cast<int>(extents[3])};
    const bool within = ok && e[0] <= left && e[1] <= top && e[2] <= right && e[3] <= bottom;
    const bool whole = ok && e[0] == left && e[1] == top && e[2] == right && e[3] == bottom;
    const bool frameless = ok && left == 0 && top == 0 && right == 0 && bottom == 0;
    if (!ok || frameless || (within && !(whole && outer->depth == 32))) {
      left = e[0];
      top = e[1];
      right = e[2];
      bottom = e[3];
      std::free(outer);
      std::free(inner);
      std::free(at);
      return true;
    }
  }
  if (ok) {
    // A frame with an alpha channel may carry a shadow around what is seen of it: the window
    // manager places by the opaque part (its edge, read along the middle of each side).
    // A frame resized a moment ago and not drawn yet has the shadow last seen; the first frame
    // ever seen is waited for a little while it is not drawn yet.
    if (outer->depth == 32) {
      static int shadow[4] = {-1, -1, -1, -1};
      const int midX = left + inner->width / 2, midY = top + inner->height / 2;
      int runs[4];
      for (int tries = 0; tries < 30; ++tries) {
        runs[0] = TranslucentRun(c, top_level, 0, midY, 1, 0, left);
        runs[1] = TranslucentRun(c, top_level, midX, 0, 0, 1, top);
        runs[2] = TranslucentRun(c, top_level, outerW - 1, midY, -1, 0, right);
        runs[3] = TranslucentRun(c, top_level, midX, outerH - 1, 0, -1, bottom);
        if (runs[0] >= 0 || shadow[0] >= 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      int* sides[4] = {&left, &top, &right, &bottom};
      for (int i = 0; i < 4; ++i) {
        if (runs[i] >= 0) shadow[i] = runs[i];
        const int trim = runs[i] >= 0 ? runs[i] : shadow[i];
        if (trim > 0 && trim <= *sides[i]) *sides[i] -= trim;
      }
    }
  }
  std::free(outer);
  std::free(inner);
  std::free(at);
  return ok;
}

bool ClientGeometry(std::uintptr_t window, int& x, int& y, int& width, int& height) {
  xcb_connection_t* c = Connection();
  if (!c || !window) return false;
  const auto w = static_cast<xcb_window_t>(window);
  xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
  xcb_translate_coordinates_reply_t* at =
      g ? xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, w, g->root, 0, 0),
                                          nullptr)
        : nullptr;
  const bool ok = g && at;
  if (ok) {
    x = at->dst_x;
    y = at->dst_y;
    width = g->width;
    height = g->height;
  }
  std::free(g);
  std::free(at);
  return ok;
}

void ResizeClient(std::uintptr_t window, int width, int height) {
  xcb_connection_t* c = Connection();
  if (!c || !window || width <= 0 || height <= 0) return;
  const uint32_t values[] = {static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
  xcb_configure_window(c, static_cast<xcb_window_t>(window),
                       XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
  xcb_flush(c);
}

void SetDecorated(std::uintptr_t window, bool decorated) {
  xcb_connection_t* c = Connection();
  if (!c || !window) return;
  const auto w = static_cast<xcb_window_t>(window);
  const xcb_atom_t hintsAtom = Atom(c, "_MOTIF_WM_HINTS");
  if (hintsAtom == XCB_ATOM_NONE) return;
  // flags, functions, decorations, input mode, status
  uint32_t hints[5] = {};
  const std::vector<uint32_t> now = ReadCardinals(c, w, hintsAtom, hintsAtom, 5);
  std::copy_n(now.begin(), std::min<std::size_t>(now.size(), 5), hints);
  constexpr uint32_t kFunctionsGiven = 1, kDecorationsGiven = 2;
  constexpr uint32_t kFunctionResize = 2;
  constexpr uint32_t kBorder = 2, kResizeHandle = 4, kTitle = 8, kMenu = 16;
  uint32_t frame = kBorder | kTitle | kMenu;
  if (!(hints[0] & kFunctionsGiven) || (hints[1] & kFunctionResize)) frame |= kResizeHandle;
  hints[0] |= kDecorationsGiven;
  hints[2] = decorated ? frame : 0;
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, hintsAtom, hintsAtom, 32, 5, hints);
  xcb_flush(c);
}

bool SetBoundingShape(std::uintptr_t window, const std::vector<ShapeRect>& rects) {
#ifdef SELVANE_HAVE_XCB_SHAPE
  xcb_connection_t* c = Connection();
  if (!c || !window) return false;
  const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_shape_id);
  if (!ext || !ext->present) return false;
  std::vector<xcb_rectangle_t> xr;
  xr.reserve(rects.size());
  for (const ShapeRect& r : rects) {
    if (r.width <= 0 || r.height <= 0) continue;
    xr.push_back({static_cast<int16_t>(r.x), static_cast<int16_t>(r.y),
                  static_cast<uint16_t>(r.width), static_cast<uint16_t>(r.height)});
  }
  xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED,
                       static_cast<xcb_window_t>(window), 0, 0, static_cast<uint32_t>(xr.size()),
                       xr.data());
  xcb_flush(c);
  return true;
#else
  (void)window;
  (void)rects;
  return false;
#endif
}

bool SetName(std::uintptr_t window, std::string_view ascii) {
  xcb_connection_t* c = Connection();
  if (!c || !window) return false;
  for (const char ch : ascii)
    if (static_cast<unsigned char>(ch) > 0x7f) return false;
  // Asked for once: an atom never changes while the connection lasts.
  static const xcb_atom_t netName = Atom(c, "_NET_WM_NAME");
  static const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
  if (netName == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE) return false;
  const auto w = static_cast<xcb_window_t>(window);
  const auto length = static_cast<uint32_t>(ascii.size());
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, netName, utf8, 8, length, ascii.data());
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, length,
                      ascii.data());
  xcb_flush(c);
  return true;
}

void Flush() {
  if (xcb_connection_t* c = Connection()) xcb_flush(c);
}

#else

bool Available() {
  return false;
}
bool ServerReachable() {
  const char* display = std::getenv("DISPLAY");
  return display && *display;
}
void SetStates(std::uintptr_t, const std::vector<const char*>&, bool) {}
bool WindowManagerSupports(const char*) {
  return false;
}
void MoveFrame(std::uintptr_t, int, int) {}
bool StartMove(std::uintptr_t, int, int) {
  return false;
}
bool CompositorRunning() {
  return false;
}
std::string WindowManagerName() {
  return {};
}
bool FrameMargins(std::uintptr_t, int&, int&, int&, int&) {
  return false;
}
bool ClientGeometry(std::uintptr_t, int&, int&, int&, int&) {
  return false;
}
void ResizeClient(std::uintptr_t, int, int) {}
void SetDecorated(std::uintptr_t, bool) {}
bool SetBoundingShape(std::uintptr_t, const std::vector<ShapeRect>&) {
  return false;
}
bool SetName(std::uintptr_t, std::string_view) {
  return false;
}

void Flush() {}

#endif

}  // namespace selvane::platform::x11
