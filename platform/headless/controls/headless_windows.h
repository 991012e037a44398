#pragma once
// HeadlessWindows: the windows of a headless desktop - their places on a virtual screen, their
// shapes, their window procedures, the pointer, leave tracking and the mouse capture.
//
// Windows: each has a rectangle in its parent's coordinates (screen coordinates for top-level
// windows), an optional shape (Region in window coordinates; outside it the window is not hit),
// a visibility flag and a "transparent" flag (tooltips: never under the pointer). Later windows
// lie above earlier ones; children above their parent.
//
// Procedures: every window starts with the default procedure, which appends the message to
// MessageLog() and returns 0. ReplaceProcedure installs a new procedure and returns the one it
// replaces (nullopt for an unknown window); SendMessage runs the current one. A hook installs
// a procedure that calls the one it replaced; putting the returned procedure back unhooks.
//
// Pointer and leave tracking: MovePointer moves the pointer on the screen. TrackMouseLeave arms
// one kWmMouseLeave for a window: it is posted (through the clock, as the desktop posts it) as
// soon as the pointer is no longer over that window - at once when it is not over it when
// tracking is asked for. While the window holds the mouse capture the leave waits; releasing
// the capture with the pointer elsewhere posts it. Delivery disarms the tracking.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/controls/virtual_clock.h"
#include "platform/host/control_host.h"
#include "platform/host/window_procedure_chain.h"
#include "platform/raster/geometry.h"
#include "platform/raster/region.h"

namespace tovarin::platform::headless {

struct WindowMessage {
  WindowHandle window = 0;
  std::uint32_t message = 0;
  std::intptr_t wparam = 0;
  std::intptr_t lparam = 0;
  friend bool operator==(const WindowMessage&, const WindowMessage&) = default;
};

class HeadlessWindows {
 public:
  explicit HeadlessWindows(VirtualClock& clock) : clock_(clock) {}
  HeadlessWindows(const HeadlessWindows&) = delete;
  HeadlessWindows& operator=(const HeadlessWindows&) = delete;

  // A new window; `parent` 0 makes a top-level window. Returns its handle (never 0).
  WindowHandle Create(std::string name, WindowHandle parent, Rect rect_in_parent,
                      bool transparent = false);
  // Destroys the window and its children; their tracking, capture and procedures end.
  void Destroy(WindowHandle window);
  bool Exists(WindowHandle window) const { return windows_.count(window) != 0; }
  std::string Name(WindowHandle window) const;
  WindowHandle Parent(WindowHandle window) const;

  void SetRect(WindowHandle window, Rect rect_in_parent);
  Rect RectInParent(WindowHandle window) const;
  Rect ScreenRect(WindowHandle window) const;
  void SetShape(WindowHandle window, std::optional<Region> shape);
  std::optional<Region> Shape(WindowHandle window) const;
  void SetVisible(WindowHandle window, bool visible);
  bool IsVisible(WindowHandle window) const;  // this window and all its ancestors

  // --- Procedures
  std::optional<WindowProcedure> ReplaceProcedure(WindowHandle window, WindowProcedure procedure);
  // Runs the window's current procedure; 0 for an unknown window.
  std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::intptr_t wparam,
                            std::intptr_t lparam);
  // Queues the message; it is sent when the clock runs due work (if the window still exists).
  void PostMessage(WindowHandle window, std::uint32_t message, std::intptr_t wparam,
                   std::intptr_t lparam);
  // Messages that reached a default procedure, oldest first.
  const std::vector<WindowMessage>& MessageLog() const { return message_log_; }
  void ClearMessageLog() { message_log_.clear(); }

  // --- Pointer (screen pixels)
  Point PointerPosition() const { return pointer_; }
  void MovePointer(Point screen_point);
  WindowHandle WindowAt(Point screen_point) const;  // topmost visible, non-transparent hit; 0 none
  WindowHandle WindowUnderPointer() const { return WindowAt(pointer_); }
  void TrackMouseLeave(WindowHandle window);
  bool IsLeaveTrackingArmed(WindowHandle window) const;

  // --- Mouse capture
  void SetCapture(WindowHandle window);
  void ReleaseCapture();
  WindowHandle CaptureWindow() const { return capture_; }

 private:
  struct Window {
    std::string name;
    WindowHandle parent = 0;
    Rect rect;  // in the parent's coordinates
    std::optional<Region> shape;
    bool visible = true;
    bool transparent = false;
    WindowProcedureChain procedures;
    std::uint64_t order = 0;
  };
  WindowProcedure DefaultProcedure();
  WindowHandle HitChild(WindowHandle parent, Point screen_point) const;
  bool Hits(WindowHandle handle, const Window& window, Point screen_point) const;
  void CheckLeaves();

  VirtualClock& clock_;
  std::map<WindowHandle, Window> windows_;
  WindowHandle next_handle_ = 0x1000;
  std::uint64_t next_order_ = 1;
  std::vector<WindowMessage> message_log_;
  Point pointer_{-10000, -10000};
  std::vector<WindowHandle> leave_armed_;
  WindowHandle capture_ = 0;
};

}  // namespace tovarin::platform::headless
