#pragma once
// The contract between a control (ucAniGIF, teskbutton) and the window that holds it.
//
// A control implements `Control` (the notifications its host delivers) and talks to its host
// only through `ControlHost` (the services a form gives the controls it holds). Two hosts
// implement it: platform/headless (virtual clock, recorded events; for tests and tools) and
// platform/gtk (real widgets, GLib timers, GtkMenu, libsoup).
//
// Units: the drawing surface, mouse positions and pop-up positions are in pixels; control
// extents (ResizeTwips, Extent) in twips. All calls happen on the one GUI thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/host/menu.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/color.h"
#include "platform/raster/geometry.h"
#include "platform/raster/region.h"
#include "platform/result.h"
#include "platform/store/property_store.h"

namespace tovarin::platform {

class Font;
class Picture;
class ThemePainter;

// Opaque identity of a window in its host; 0 means none.
using WindowHandle = std::uint64_t;

// Message numbers a host delivers through window hooks.
enum WindowMessageId : std::uint32_t {
  kWmActivate = 0x0006,
  kWmSysColorChange = 0x0015,
  kWmNcActivate = 0x0086,
  kWmMouseLeave = 0x02A3,
  kWmThemeChanged = 0x031A,
};

// A window procedure: (window, message, wparam, lparam) -> result. Window hooks replace a
// window's procedure and call the one they replaced.
using WindowProcedure =
    std::function<std::intptr_t(WindowHandle, std::uint32_t, std::intptr_t, std::intptr_t)>;

// Mouse buttons as bit flags (left 1, right 2, middle 4) and shift state (shift 1, ctrl 2, alt 4).
enum MouseButtonFlags : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };
enum ShiftFlags : int { kShiftMask = 1, kCtrlMask = 2, kAltMask = 4 };

// An event argument; handlers may change the value (arguments passed by reference), and the
// control reads it back after RaiseEvent returns.
using EventValue = std::variant<std::int32_t, double, bool, std::string>;
struct EventArg {
  std::string name;
  EventValue value;
};
using EventArgs = std::vector<EventArg>;

// Asynchronous reads.
inline constexpr std::uint64_t kMaxAsyncReadBytes = 64ull * 1024 * 1024;
enum AsyncReadStatus : int { kAsyncReadError = 0, kAsyncReadDataArriving = 1, kAsyncReadDone = 2 };
struct AsyncReadProgress {
  std::string name;         // the name given to AsyncRead
  int status = 0;           // 0 = error; otherwise a progress code (1 = data arriving, 2 = done)
  std::string status_text;  // description of the status (the error's text when status is 0)
  std::uint64_t bytes_read = 0;
  std::uint64_t bytes_total = 0;  // 0 when unknown
};
struct AsyncReadCompletion {
  std::string name;
  Result<Bytes> data = Error{"not read"};
};

// A tooltip window for a control (the control makes a fresh one whenever it wants new
// settings to show; the host shows it while the pointer rests over the control and hides it on
// leave and press, as the desktop's tooltip control does by itself).
struct ToolTipSpec {
  std::string text;                    // line breaks start new lines
  std::string title;                   // empty: no title line
  int icon = 0;                        // 0 none, 1 information, 2 warning, 3 error
  bool balloon = false;                // balloon shape instead of a rectangle
  bool right_to_left = false;          // right-to-left layout
  std::optional<ColorRef> back_color;  // nullopt: the desktop's tooltip colour
  int max_width = 240;                 // pixels; longer text wraps
  bool drop_shadow = true;
};

// Classic system cursor identifiers for ControlHost::SetSystemCursor.
enum SystemCursorId : int {
  kCursorArrow = 32512,
  kCursorIBeam = 32513,
  kCursorWait = 32514,
  kCursorHand = 32649
};

// What a host delivers to a control.
class Control {
 public:
  virtual ~Control() = default;

  // Lifecycle. OnReadProperties returns an error when a stored value cannot be converted;
  // loading ends at that key and the host reports the error.
  virtual void OnInitialize() {}  // created, before InitNew/ReadProperties
  virtual void OnInitNew() {}
  virtual Status OnReadProperties(const PropertyStore& /*store*/) { return {}; }
  virtual void OnWriteProperties(PropertyStore& /*store*/) {}
  virtual void OnTerminate() {}

  virtual void OnShow() {}
  virtual void OnHide() {}
  virtual void OnResize() {}
  // Paint the surface (ControlHost::Surface). The host has filled it with what lies behind
  // the control before calling.
  virtual void OnPaint() {}

  // Mouse, in pixels relative to the control's top-left corner.
  virtual void OnMouseDown(int /*button*/, int /*shift*/, double /*x*/, double /*y*/) {}
  virtual void OnMouseMove(int /*button*/, int /*shift*/, double /*x*/, double /*y*/) {}
  virtual void OnMouseUp(int /*button*/, int /*shift*/, double /*x*/, double /*y*/) {}
  virtual void OnClick() {}
  virtual void OnDblClick() {}
  // Hit test: the control sets `hit` (0 nothing, 3 hit) for a point of its area.
  virtual void OnHitTest(double /*x*/, double /*y*/, int& /*hit*/) {}

  // Focus and keys. Key codes are the classic virtual-key codes (13 Enter, 32 space, 27 Esc,
  // 112.. F1..); KeyPress carries the character code.
  virtual void OnGotFocus() {}
  virtual void OnLostFocus() {}
  virtual void OnKeyDown(int& /*key_code*/, int /*shift*/) {}
  virtual void OnKeyPress(int& /*key_ascii*/) {}
  virtual void OnKeyUp(int& /*key_code*/, int /*shift*/) {}
  virtual void OnAccessKeyPress(int /*key_ascii*/) {}
  virtual void OnAmbientChanged(std::string_view /*property_name*/) {}

  virtual void OnAsyncReadProgress(const AsyncReadProgress& /*progress*/) {}
  virtual void OnAsyncReadComplete(AsyncReadCompletion& /*completion*/) {}
};

// What a host gives a control. One host object serves one control instance.
class ControlHost {
 public:
  virtual ~ControlHost() = default;

  // --- Ambient properties
  virtual bool UserMode() const = 0;            // true while a program runs
  virtual std::string DisplayName() const = 0;  // the instance's name ("g1", "a1")
  virtual std::shared_ptr<Font> AmbientFont() const = 0;
  virtual bool DisplayAsDefault() const = 0;  // shows as the container's default button
  virtual bool AppThemed() const = 0;         // a desktop visual style (GTK theme) is in use

  // --- Notifications to the container
  virtual void PropertyChanged(std::string_view property_name) = 0;  // the form needs saving
  // Delivers an event to the form's handler and returns after it; handlers may change args.
  virtual void RaiseEvent(std::string_view event_name, EventArgs& args) = 0;
  void RaiseEvent(std::string_view event_name) {
    EventArgs none;
    RaiseEvent(event_name, none);
  }
  // The characters the control answers as access keys (e.g. "b"); empty for none.
  virtual void SetAccessKeys(std::string_view keys) = 0;

  // --- Extender
  virtual std::string ToolTipText() const = 0;
  virtual WindowHandle ControlWindow() const = 0;    // the control's own window
  virtual WindowHandle ContainerWindow() const = 0;  // the window that contains it
  virtual WindowHandle ParentWindow() const = 0;     // the parent form's window
  virtual bool ParentIsMdiChild() const = 0;
  // The other controls of the same container (for option-button groups), as their hosts'
  // Control objects; the control itself is included.
  virtual std::vector<Control*> SiblingControls() const = 0;
  // All controls of the parent form, in the form's order, the control itself included (each
  // control can be asked for its host's ContainerWindow to find its own group).
  virtual std::vector<Control*> FormControls() const = 0;
  // Focus to this control (SetFocus).
  virtual void SetFocus() = 0;
  virtual bool HasFocus() const = 0;

  // --- Drawing surface
  // A 24-bit bitmap of the control's inner size in pixels; stays valid until the next resize.
  virtual Bitmap& Surface() = 0;
  virtual Size ClientSize() const = 0;   // inner size in pixels
  virtual Rect ExtentTwips() const = 0;  // position and size in the container, twips
  virtual void ResizeTwips(int width_twips, int height_twips) = 0;  // delivers OnResize
  virtual void Refresh() = 0;     // paint now (OnPaint) and show the surface
  virtual void Invalidate() = 0;  // the surface changed; show it
  // Shape of the control's window; nullopt = its whole rectangle.
  virtual void SetWindowRegion(std::optional<Region> region) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual int MousePointer() const = 0;
  virtual void SetMousePointer(int pointer_kind) = 0;
  virtual std::shared_ptr<const Picture> MouseIcon() const = 0;
  virtual void SetMouseIcon(std::shared_ptr<const Picture> icon) = 0;
  // Drawing style and foreground colour of the surface (used for the design-mode outline).
  virtual void SetDrawStyle(int style) = 0;
  virtual void SetForeColor(std::uint32_t ole_color) = 0;
  virtual ColorRef BackgroundColor() const = 0;  // what fills the surface before a paint

  // --- Timers: keyed by an identifier of the caller's choosing (keys are per host, so two
  // controls never clash). Setting a key that is already set replaces that timer. Periodic
  // until killed; an interval of 0 is taken as 1 ms. A timer killed or replaced - also from
  // inside any timer callback, its own included - never fires again under that setting.
  // Callbacks run on the GUI thread from the message loop; an exception thrown by one is
  // caught by the host and the timer is killed. Returns false when no timer could be set.
  virtual bool SetTimer(std::uint64_t key, unsigned interval_ms,
                        std::function<void()> on_expiry) = 0;
  virtual void KillTimer(std::uint64_t key) = 0;

  // --- Asynchronous reader: fetches `address` (file path, file:// or http:// URL) into bytes;
  // progress and completion arrive through Control::OnAsyncRead*, always later (from the
  // message loop), never from inside AsyncRead. Fails at once when the read cannot be started
  // (empty or unsupported address). Order of notifications for one read:
  //   success: progress status 1 ("data arriving"), progress status 2 ("done"), completion
  //            with the data;
  //   failure: progress status 0 with the error text, then completion with the error - unless
  //            the control cancelled the read from the progress handler.
  // Bodies over kMaxAsyncReadBytes, HTTP statuses other than 2xx, refused connections and
  // timeouts are failures. CancelAsyncRead stops a read by name: nothing more is delivered for
  // it (unknown names are ignored). Starting a read under a name in use cancels the old one.
  virtual Status AsyncRead(const std::string& address, const std::string& name) = 0;
  virtual void CancelAsyncRead(const std::string& name) = 0;

  // --- Scratch property store: puts `picture` under `key` into a new store and returns the
  // store's contents as bytes (the picture's encoded file bytes are found inside).
  virtual Result<Bytes> ScratchStoreContents(std::string_view key, const Picture& picture) = 0;

  // --- Pop-up menu at (x, y) pixels relative to the control's top-left corner, with
  // PopupFlags; the default item is shown in bold. Returns after the chosen item's handler ran.
  virtual void PopupMenu(MenuItem& menu, int x, int y, unsigned flags,
                         const MenuItem* default_item) = 0;

  // --- Pointer and windows
  virtual WindowHandle WindowUnderPointer() const = 0;
  virtual bool SupportsLeaveTracking() const = 0;         // TrackMouseEvent is available
  virtual void TrackMouseLeave(WindowHandle window) = 0;  // one kWmMouseLeave when it leaves
  // Window hooks: installs `replacement` as the window's procedure and returns the procedure
  // it replaces (nullopt when the window cannot be hooked). Restore by installing the
  // returned procedure again.
  virtual std::optional<WindowProcedure> ReplaceWindowProcedure(WindowHandle window,
                                                                WindowProcedure replacement) = 0;

  // --- Desktop
  virtual void OpenAddress(const std::string& address) = 0;  // the desktop's default handler
  // A modal message box; icon: 16 error, 48 warning, 64 information. Returns the button id (1 OK).
  virtual int MessageBox(const std::string& text, const std::string& title, int icon) = 0;

  // --- Extender (setter): the container's own tooltip text for this control.
  virtual void SetToolTipText(const std::string& text) = 0;

  // --- Tooltip windows. CreateToolTip makes a tooltip for the control's whole area and
  // returns its window (0 when none could be made); DestroyToolTip ends one (unknown or 0
  // handles are ignored). Every tooltip ends with the control at the latest.
  virtual WindowHandle CreateToolTip(const ToolTipSpec& spec) = 0;
  virtual void DestroyToolTip(WindowHandle tooltip) = 0;

  // --- Mouse capture: while the control's window holds the capture, mouse moves and releases
  // reach it wherever the pointer is. A left press on the control captures implicitly until
  // the release (the desktop does that for every window).
  virtual void SetCapture() = 0;                   // capture to the control's window
  virtual void ReleaseCapture() = 0;               // release whatever window holds it
  virtual WindowHandle CaptureWindow() const = 0;  // 0 when no window holds it

  // --- Keystroke synthesis: queues keys as if typed; they are handled after the current
  // notification returns. Understood: "{TAB}" (focus to the next control in tab order) and
  // "+{TAB}" (Shift+Tab, focus to the previous one); other text is ignored.
  virtual void SendKeys(std::string_view keys) = 0;
  // Lets pending messages (queued keys, posted notifications, due zero-delay work) run once.
  virtual void ProcessPendingMessages() = 0;

  // --- Cursor: shows a system cursor (SystemCursorId) until the pointer next moves, when the
  // window's own pointer setting applies again. Returns false for an unknown cursor.
  virtual bool SetSystemCursor(int cursor_id) = 0;

  // --- Units of the container's coordinate system (its ScaleMode): how many of them make one
  // pixel (15 for a form measured in twips, 1 for one in pixels).
  virtual double ContainerUnitsPerPixel() const = 0;

  // --- The desktop's visual style: draws its push button for controls that look native.
  // nullptr where the desktop has none (the headless host).
  virtual ThemePainter* DesktopTheme() { return nullptr; }
};

// The order in which every host sites a control, shared so the headless and GTK hosts cannot
// drift apart:
//   new instance:        OnInitialize, OnInitNew, OnResize;
//   from saved settings: OnInitialize, OnReadProperties, OnResize (also after a failed read,
//                        as the control is still sited; the read's error is returned).
void SiteNewControl(Control& control);
Status SiteSavedControl(Control& control, const PropertyStore& store);

// The Tab presses of a SendKeys string, in order: true for "{TAB}" (forward), false for
// "+{TAB}" (backward). Everything else in the string is skipped.
std::vector<bool> TabKeys(std::string_view keys);

}  // namespace tovarin::platform
