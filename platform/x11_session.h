// Inside platform/ only: the few X11 requests that Qt does not offer. Every function does
// nothing (or answers false) when the program does not run on an X server.
#pragma once

#include <cstdint>
#include <vector>

namespace selvane::platform::x11 {

// True when the application talks to an X server.
bool Available();
// Before the application object exists: true when the X server named by DISPLAY accepts a
// connection (XWayland included).
bool ServerReachable();
// Adds _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER to an unmapped window's state,
// keeping the states already there (the window manager reads them when the window is mapped).
void SkipTaskbar(std::uintptr_t window);
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
// The decorations' widths (left, top, right, bottom) a window has on the screen now, measured
// from the window manager's frame window around it (the window's top-level ancestor); zero
// when nothing is around it. False when the server cannot say.
bool FrameMargins(std::uintptr_t window, int& left, int& top, int& right, int& bottom);
// Cuts a window's bounding shape to rectangles given in the server's (device) pixels, for
// shapes finer than the logical pixels Qt's masks are made of. False where the server or the
// build has no shape extension; the window then keeps the shape it had.
struct ShapeRect {
  int x, y, width, height;
};
bool SetBoundingShape(std::uintptr_t window, const std::vector<ShapeRect>& rects);
// Sends the requests queued so far to the server.
void Flush();

}  // namespace selvane::platform::x11
