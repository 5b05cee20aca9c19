// Inside platform/ only: the few X11 requests that Qt does not offer. Every function does
// nothing (or answers false) when the program does not run on an X server.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace selvane::platform::x11 {

// True when the application talks to an X server.
bool Available();
// Before the application object exists: true when the X server named by DISPLAY accepts a
// connection (XWayland included).
bool ServerReachable();
// Window-manager states by the name of their atom (_NET_WM_STATE_SKIP_TASKBAR, ..._ABOVE).
// A window the window manager manages is asked with a client message; into an unmapped window's
// _NET_WM_STATE the states are written, keeping the others there (the window manager reads them
// when it maps the window).
void SetStates(std::uintptr_t window, const std::vector<const char*>& states, bool on);
// True when a window manager runs and lists the atom among what it supports (_NET_SUPPORTED).
bool WindowManagerSupports(const char* atom);
// The running window manager's name (_NET_WM_NAME of its _NET_SUPPORTING_WM_CHECK window);
// empty when none says.
std::string WindowManagerName();
// True when a compositing manager owns the _NET_WM_CM_Sn selection of the default screen.
bool CompositorRunning();
// Asks the window manager to put a mapped window's outer corner (its decorations included) at
// x, y on the screen; without a window manager, moves the window there. Window managers keep
// that corner where it is when they add or take away decorations.
void MoveFrame(std::uintptr_t window, int x, int y);
// Hands the window to the window manager's interactive move (_NET_WM_MOVERESIZE) with the
// left button held since the pointer was at rootX, rootY: the window keeps that point under
// the pointer. False when no window manager offers it.
bool StartMove(std::uintptr_t window, int rootX, int rootY);
// The decorations' widths (left, top, right, bottom) a window has on the screen now, in the
// server's pixels: the window manager's own figures (_NET_FRAME_EXTENTS), which leave out
// invisible resize borders and shadows and are what it places by; where it publishes none,
// measured from its frame window around the window (the top-level ancestor). Zero when nothing
// is around it. False when the server cannot say.
bool FrameMargins(std::uintptr_t window, int& left, int& top, int& right, int& bottom);
// The window's client area on the screen now as the server has it (its corner in root
// coordinates and its size, in the server's pixels). False when the server cannot say.
bool ClientGeometry(std::uintptr_t window, int& x, int& y, int& width, int& height);
// Asks the window manager for another size of the window's client area, keeping its place.
void ResizeClient(std::uintptr_t window, int width, int height);
// Asks for the window's decorations (_MOTIF_WM_HINTS), keeping the functions it offers.
void SetDecorated(std::uintptr_t window, bool decorated);
// Cuts a window's bounding shape to rectangles given in the server's (device) pixels, for
// shapes finer than the logical pixels Qt's masks are made of. False where the server or the
// build has no shape extension; the window then keeps the shape it had.
struct ShapeRect {
  int x, y, width, height;
};
bool SetBoundingShape(std::uintptr_t window, const std::vector<ShapeRect>& rects);
// Names the window (_NET_WM_NAME and WM_NAME) with a text of ASCII characters, both as Qt
// names it, without waiting for any answer of the server. False where there is no X server or
// the text is not ASCII.
bool SetName(std::uintptr_t window, std::string_view ascii);
// Sends the requests queued so far to the server.
void Flush();

}  // namespace selvane::platform::x11
