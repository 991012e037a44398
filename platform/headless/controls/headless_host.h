#pragma once
// HeadlessHost: the ControlHost of one control on a HeadlessForm, for tests and tools. It keeps
// everything the control tells it (recorded notifications, below), answers ambient questions
// from its options, runs timers on the desktop's virtual clock, reads addresses through the
// desktop's reader, and drives the control with input sequenced as the desktop delivers it.
//
// Made by HeadlessForm::AddHost; the form owns it. The control is attached with Attach() and
// is not owned: detach (or destroy the host) before the control goes away. On destruction the
// host kills its timers, cancels its reads and destroys its windows; it does not call
// OnTerminate (call Terminate() for that while the control lives).
//
// Lifecycle helpers, in the order a form runs them:
//   InitNew():           OnInitialize, OnInitNew, OnResize
//   ReadProperties(s):   OnInitialize, OnReadProperties(s), OnResize (an error is returned
//                        and recorded; OnResize still runs, as the control is still sited)
//   Show() / Hide():     the window becomes visible / hidden, OnShow / OnHide; Show() queues
//                        a paint
//   WriteProperties():   a fresh store filled by OnWriteProperties
//   Terminate():         OnTerminate, then timers, reads and tooltips of the host end
//
// Painting: Refresh() fills the surface with BackgroundColor() and delivers OnPaint at once. A
// resize or Show() queues one paint, delivered with the next turn of the message loop
// (desktop RunPending), as the desktop coalesces paint requests.
//
// Input (coordinates in pixels relative to the control's top-left corner). Each helper moves
// the pointer, delivers the notifications of the window system's raw sequence, and then turns
// the message loop once so posted messages (leave notifications, queued keys) are handled:
//   MouseMove(x, y):     pointer moves; leave notifications of windows it left are delivered;
//                        OnMouseMove goes to the window holding the capture, else to the
//                        window under the pointer (if it is a control of the form).
//   MouseDown(b, x, y):  (a move to the point first, when the pointer is elsewhere) the window
//                        captures the mouse; OnMouseDown.
//   MouseUp(b, x, y):    (a move first, to the capture window) OnMouseUp; with no button held
//                        any more the capture is released; then, for the left button released
//                        over the control's window, OnClick.
//   Click(x, y):         MouseDown, MouseUp (which gives OnMouseUp then OnClick).
//   DoubleClick(x, y):   MouseDown, MouseUp, OnClick, then the second press arrives as
//                        OnDblClick (with capture), then MouseUp without a second OnClick.
//   KeyDown/KeyPress/KeyUp: straight to this control (it is assumed to hold the focus; see
//                        HeadlessForm::PressKey for routed keys).
//   TypeKey(k, c):       KeyDown and KeyPress (the character message the key down produces),
//                        then the message loop turns (keys queued by SendKeys are handled
//                        here), then KeyUp - to this control, wherever the focus went.
// A disabled control (SetEnabled(false)) receives no mouse or key input.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/controls/clock_timer_scheduler.h"
#include "platform/headless/controls/headless_desktop.h"
#include "platform/host/control_host.h"
#include "platform/host/timer_table.h"

namespace tovarin::platform::headless {

class HeadlessForm;

struct HostOptions {
  std::string name = "Control1";
  Rect rect{0, 0, 80, 24};     // pixels, in the container's client area
  WindowHandle container = 0;  // a window from HeadlessForm::AddContainer; 0: the form itself
  bool user_mode = true;
  bool default_cancel = false;  // handles Enter and Escape itself while it holds the focus
  bool tab_stop = true;
  std::string tooltip_text;
};

struct RaisedEvent {
  std::string name;
  EventArgs args;        // as raised
  EventArgs args_after;  // after the form's handler ran
};

struct ToolTipRecord {
  WindowHandle window = 0;
  ToolTipSpec spec;
  bool destroyed = false;
};

class HeadlessHost final : public ControlHost {
 public:
  HeadlessHost(HeadlessForm& form, HostOptions options);
  ~HeadlessHost() override;
  HeadlessHost(const HeadlessHost&) = delete;
  HeadlessHost& operator=(const HeadlessHost&) = delete;

  void Attach(Control& control) { control_ = &control; }
  void Detach();
  Control* AttachedControl() const { return control_; }
  HeadlessForm& Form() { return form_; }
  HeadlessDesktop& Desktop() { return desktop_; }
  const HostOptions& Options() const { return options_; }

  // --- Lifecycle helpers (see above)
  void InitNew();
  Status ReadProperties(const PropertyStore& store);
  PropertyStore WriteProperties();
  void Show();
  void Hide();
  void Terminate();

  // --- Input helpers (see above)
  void MouseMove(double x, double y, int shift = 0);
  void MouseDown(int button, double x, double y, int shift = 0);
  void MouseUp(int button, double x, double y, int shift = 0);
  void Click(double x, double y, int button = kLeftButton, int shift = 0);
  void DoubleClick(double x, double y, int shift = 0);
  void KeyDown(int key_code, int shift = 0);
  void KeyPress(int key_ascii);
  void KeyUp(int key_code, int shift = 0);
  // KeyDown, KeyPress (when key_ascii is not 0), KeyUp.
  void TypeKey(int key_code, int key_ascii, int shift = 0);
  Point ScreenOrigin() const;  // the control's top-left corner on the screen

  // --- Settings a test changes (each notifies the control as the desktop would)
  void SetUserMode(bool user_mode);                 // OnAmbientChanged("UserMode")
  void SetAmbientFont(std::shared_ptr<Font> font);  // OnAmbientChanged("Font")
  void SetTimersRefused(bool refused) { timers_refused_ = refused; }
  void SetEventHandler(const std::string& event_name, std::function<void(EventArgs&)> handler);
  // The container moves or resizes the control (pixels); OnResize when the size changed.
  void SetRectPixels(Rect rect);

  // --- Recorded notifications
  const std::vector<std::string>& PropertyChanges() const { return property_changes_; }
  const std::vector<RaisedEvent>& Events() const { return events_; }
  std::vector<std::string> EventNames() const;
  // Everything notable in order: "event:<name>", "property:<name>", "paint", "refresh",
  // "invalidate", "region", "popup:<menu>", "focus:got", "focus:lost", "cursor:<id>".
  const std::vector<std::string>& Journal() const { return journal_; }
  int PaintCount() const { return paint_count_; }
  int RefreshCount() const { return refresh_count_; }
  int InvalidateCount() const { return invalidate_count_; }
  const std::vector<std::optional<Region>>& RegionChanges() const { return region_changes_; }
  const std::optional<Region>& WindowRegion() const { return region_; }
  const std::string& AccessKeys() const { return access_keys_; }
  const std::vector<ToolTipRecord>& ToolTips() const { return tooltips_; }
  const std::vector<std::string>& Errors() const { return errors_; }  // load and timer errors
  int CurrentSystemCursor() const { return current_cursor_; }         // 0 after the pointer moved
  int DrawStyle() const { return draw_style_; }
  std::uint32_t ForeColor() const { return fore_color_; }
  bool HasTimer(std::uint64_t key) const { return timers_.Has(key); }
  std::optional<unsigned> TimerInterval(std::uint64_t key) const { return timers_.Interval(key); }
  std::size_t TimerCount() const { return timers_.Count(); }
  bool IsReading(const std::string& name) const { return reads_.count(name) != 0; }
  void ClearRecords();

  // --- ControlHost
  bool UserMode() const override { return options_.user_mode; }
  std::string DisplayName() const override { return options_.name; }
  std::shared_ptr<Font> AmbientFont() const override;
  bool DisplayAsDefault() const override { return display_as_default_; }
  bool AppThemed() const override { return desktop_.AppThemed(); }
  void PropertyChanged(std::string_view property_name) override;
  void RaiseEvent(std::string_view event_name, EventArgs& args) override;
  using ControlHost::RaiseEvent;
  void SetAccessKeys(std::string_view keys) override { access_keys_ = std::string(keys); }
  std::string ToolTipText() const override { return tooltip_text_; }
  WindowHandle ControlWindow() const override { return window_; }
  WindowHandle ContainerWindow() const override;
  WindowHandle ParentWindow() const override;
  bool ParentIsMdiChild() const override;
  std::vector<Control*> SiblingControls() const override;
  std::vector<Control*> FormControls() const override;
  void SetFocus() override;
  bool HasFocus() const override;
  Bitmap& Surface() override { return surface_; }
  Size ClientSize() const override { return Size{rect_.Width(), rect_.Height()}; }
  Rect ExtentTwips() const override;
  void ResizeTwips(int width_twips, int height_twips) override;
  void Refresh() override;
  void Invalidate() override;
  void SetWindowRegion(std::optional<Region> region) override;
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  int MousePointer() const override { return mouse_pointer_; }
  void SetMousePointer(int pointer_kind) override { mouse_pointer_ = pointer_kind; }
  std::shared_ptr<const Picture> MouseIcon() const override { return mouse_icon_; }
  void SetMouseIcon(std::shared_ptr<const Picture> icon) override { mouse_icon_ = std::move(icon); }
  void SetDrawStyle(int style) override { draw_style_ = style; }
  void SetForeColor(std::uint32_t ole_color) override { fore_color_ = ole_color; }
  ColorRef BackgroundColor() const override;
  bool SetTimer(std::uint64_t key, unsigned interval_ms, std::function<void()> on_expiry) override;
  void KillTimer(std::uint64_t key) override;
  Status AsyncRead(const std::string& address, const std::string& name) override;
  void CancelAsyncRead(const std::string& name) override;
  Result<Bytes> ScratchStoreContents(std::string_view key, const Picture& picture) override;
  void PopupMenu(MenuItem& menu, int x, int y, unsigned flags,
                 const MenuItem* default_item) override;
  WindowHandle WindowUnderPointer() const override;
  bool SupportsLeaveTracking() const override { return desktop_.LeaveTrackingSupported(); }
  void TrackMouseLeave(WindowHandle window) override;
  std::optional<WindowProcedure> ReplaceWindowProcedure(WindowHandle window,
                                                        WindowProcedure replacement) override;
  void OpenAddress(const std::string& address) override;
  int MessageBox(const std::string& text, const std::string& title, int icon) override;
  void SetToolTipText(const std::string& text) override { tooltip_text_ = text; }
  WindowHandle CreateToolTip(const ToolTipSpec& spec) override;
  void DestroyToolTip(WindowHandle tooltip) override;
  void SetCapture() override;
  void ReleaseCapture() override;
  WindowHandle CaptureWindow() const override;
  void SendKeys(std::string_view keys) override;
  void ProcessPendingMessages() override { desktop_.RunPending(); }
  bool SetSystemCursor(int cursor_id) override;
  double ContainerUnitsPerPixel() const override;

 private:
  friend class HeadlessForm;
  void DeliverMouseMove(int buttons, int shift, double x, double y);
  void DeliverMouseDown(int button, int shift, double x, double y);
  void DeliverMouseUp(int button, int shift, double x, double y, bool click_allowed);
  void DeliverKeyDown(int key_code, int shift);
  void DeliverKeyPress(int key_ascii);
  void DeliverKeyUp(int key_code, int shift);
  void SetDisplayAsDefault(bool value);
  void RecreateSurface();
  void RequestPaint();
  void Paint();
  void PerformRead(const std::string& name, std::uint64_t id, const std::string& address);

  HeadlessForm& form_;
  HeadlessDesktop& desktop_;
  HostOptions options_;
  Control* control_ = nullptr;
  WindowHandle window_ = 0;
  Rect rect_;  // pixels in the container
  Bitmap surface_;
  std::shared_ptr<Font> font_;
  bool enabled_ = true;
  int mouse_pointer_ = 0;
  std::shared_ptr<const Picture> mouse_icon_;
  int draw_style_ = 0;
  std::uint32_t fore_color_ = 0x80000012;
  std::string tooltip_text_;
  std::string access_keys_;
  bool display_as_default_ = false;
  std::optional<Region> region_;
  int current_cursor_ = 0;
  bool paint_pending_ = false;
  bool timers_refused_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  ClockTimerScheduler timer_scheduler_;
  TimerTable timers_;  // after its scheduler, which it uses until it is gone
  std::map<std::string, std::uint64_t> reads_;
  std::uint64_t next_read_id_ = 1;

  std::map<std::string, std::function<void(EventArgs&)>> event_handlers_;
  std::vector<std::string> property_changes_;
  std::vector<RaisedEvent> events_;
  std::vector<std::string> journal_;
  std::vector<std::optional<Region>> region_changes_;
  std::vector<ToolTipRecord> tooltips_;
  std::vector<std::string> errors_;
  int paint_count_ = 0;
  int refresh_count_ = 0;
  int invalidate_count_ = 0;
};

}  // namespace tovarin::platform::headless
