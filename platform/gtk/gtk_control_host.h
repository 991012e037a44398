#pragma once
// GtkControlHost: the ControlHost of one control living in a real GTK 3 widget. The host makes
// a GtkDrawingArea, puts it into the form's GtkFixed at the given place, shows the control's
// Surface bitmap in it, shapes it with the control's window region, and turns the widget's
// events into Control notifications:
//
//   press            -> OnMouseDown (any button); a second left press within the desktop's
//                       double-click time and distance arrives as OnDblClick instead
//   motion           -> OnMouseMove (with the buttons held; GTK's implicit grab keeps moves
//                       coming outside the widget while a button is held)
//   release          -> OnMouseUp, then OnClick for the left button released over the widget
//                       (none after the release of a double click)
//   key press        -> OnKeyDown, then OnKeyPress with the key's character (if it has one)
//   key release      -> OnKeyUp
//   focus in / out   -> OnGotFocus / OnLostFocus
//   leave            -> kWmMouseLeave through the window's procedure chain, if asked for
//   draw             -> OnPaint when the surface needs painting (after a resize or show; the
//                       host fills it with BackgroundColor() first), then the surface is shown
//
// Timers are GLib timeouts; pop-up menus are GtkMenus run in a nested main loop; message boxes
// are GtkMessageDialogs; addresses open with the desktop's default handler; asynchronous reads
// use libsoup and GIO (GtkAsyncReader). No exception crosses a GLib callback: every callback
// runs inside GuardCallback, and a timer whose callback throws is killed and logged (TimerTable).
//
// The control is attached with Attach() and not owned; destroy (or Detach) the host before the
// control goes away. Destroying the host destroys its widget, timers, reads and tooltips.

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/gtk/glib_timer_scheduler.h"
#include "platform/gtk/gtk_async_reader.h"
#include "platform/gtk/gtk_desktop.h"
#include "platform/gtk/theme_painter_gtk.h"
#include "platform/host/control_host.h"
#include "platform/host/timer_table.h"
#include "platform/raster/system_colors.h"

namespace tovarin::platform::gtk {

class GtkToolTipWindow;

struct GtkHostOptions {
  std::string name = "Control1";
  Rect rect{0, 0, 80, 24};  // pixels in the container
  bool user_mode = true;
  bool default_cancel = false;  // handles Enter and Escape itself while focused
  std::string tooltip_text;
  std::shared_ptr<Font> font;  // the ambient font; nullptr: the default font
  ColorRef background = GetSysColor(kColorBtnFace);
  double units_per_pixel = 15;  // the form's coordinate units: twips
};

class GtkControlHost final : public ControlHost {
 public:
  GtkControlHost(GtkDesktop& desktop, GtkFixed* container, GtkHostOptions options);
  ~GtkControlHost() override;
  GtkControlHost(const GtkControlHost&) = delete;
  GtkControlHost& operator=(const GtkControlHost&) = delete;

  void Attach(Control& control) { control_ = &control; }
  void Detach();
  // Lifecycle, in the order a form runs it (as the headless host): InitNew gives OnInitialize,
  // OnInitNew, OnResize; ReadProperties gives OnInitialize, OnReadProperties, OnResize and
  // returns the control's error; WriteProperties gives a fresh store filled by the control.
  // Show and hide follow the widget's mapping (OnShow on map, OnHide on unmap).
  void InitNew();
  Status ReadProperties(const PropertyStore& store);
  PropertyStore WriteProperties();
  Control* AttachedControl() const { return control_; }
  GtkWidget* Widget() const { return widget_.get(); }
  GtkWidget* Toplevel() const;
  GtkAsyncReader& Reader() { return reader_; }
  const std::string& AccessKeys() const { return access_keys_; }
  bool HandlesDefaultKeys() const { return options_.default_cancel; }
  void SetDisplayAsDefault(bool value);
  void DeliverAccessKey(int key_ascii);
  int PaintCount() const { return paint_count_; }

  // --- ControlHost
  bool UserMode() const override { return options_.user_mode; }
  std::string DisplayName() const override { return options_.name; }
  std::shared_ptr<Font> AmbientFont() const override;
  bool DisplayAsDefault() const override { return display_as_default_; }
  bool AppThemed() const override;
  void PropertyChanged(std::string_view property_name) override;
  void RaiseEvent(std::string_view event_name, EventArgs& args) override;
  using ControlHost::RaiseEvent;
  // Form handlers for the control's events (the form's code sets them).
  void SetEventHandler(const std::string& event_name, std::function<void(EventArgs&)> handler);
  void SetPropertyChangedHandler(std::function<void(std::string_view)> handler);
  void SetAccessKeys(std::string_view keys) override { access_keys_ = std::string(keys); }
  std::string ToolTipText() const override { return tooltip_text_; }
  WindowHandle ControlWindow() const override;
  WindowHandle ContainerWindow() const override;
  WindowHandle ParentWindow() const override;
  bool ParentIsMdiChild() const override { return false; }
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
  void SetEnabled(bool enabled) override;
  int MousePointer() const override { return mouse_pointer_; }
  void SetMousePointer(int pointer_kind) override;
  std::shared_ptr<const Picture> MouseIcon() const override { return mouse_icon_; }
  void SetMouseIcon(std::shared_ptr<const Picture> icon) override;
  void SetDrawStyle(int style) override { draw_style_ = style; }
  void SetForeColor(std::uint32_t ole_color) override { fore_color_ = ole_color; }
  ColorRef BackgroundColor() const override { return options_.background; }
  bool SetTimer(std::uint64_t key, unsigned interval_ms, std::function<void()> on_expiry) override;
  void KillTimer(std::uint64_t key) override;
  Status AsyncRead(const std::string& address, const std::string& name) override;
  void CancelAsyncRead(const std::string& name) override { reader_.Cancel(name); }
  Result<Bytes> ScratchStoreContents(std::string_view key, const Picture& picture) override;
  void PopupMenu(MenuItem& menu, int x, int y, unsigned flags,
                 const MenuItem* default_item) override;
  WindowHandle WindowUnderPointer() const override { return desktop_.WindowUnderPointer(); }
  bool SupportsLeaveTracking() const override { return true; }
  void TrackMouseLeave(WindowHandle window) override { desktop_.TrackMouseLeave(window); }
  std::optional<WindowProcedure> ReplaceWindowProcedure(WindowHandle window,
                                                        WindowProcedure replacement) override {
    return desktop_.ReplaceProcedure(window, std::move(replacement));
  }
  void OpenAddress(const std::string& address) override;
  int MessageBox(const std::string& text, const std::string& title, int icon) override;
  void SetToolTipText(const std::string& text) override;
  WindowHandle CreateToolTip(const ToolTipSpec& spec) override;
  void DestroyToolTip(WindowHandle tooltip) override;
  void SetCapture() override;
  void ReleaseCapture() override;
  WindowHandle CaptureWindow() const override;
  void SendKeys(std::string_view keys) override;
  void ProcessPendingMessages() override;
  bool SetSystemCursor(int cursor_id) override;
  double ContainerUnitsPerPixel() const override { return options_.units_per_pixel; }
  ThemePainter* DesktopTheme() override { return &theme_painter_; }
  bool HasTimer(std::uint64_t key) const { return timers_.Has(key); }

 private:
  friend struct HostSignals;
  static bool IsKnownSystemCursor(int cursor_id);
  void ConnectSignals();
  void RecreateSurface();
  void PaintSurface();
  void ApplyRegion();
  void ApplyCursor(int system_cursor_id);
  void UpdateToolTip();
  bool FillToolTip(GtkTooltip* tooltip);

  GtkDesktop& desktop_;
  GtkHostOptions options_;
  GtkFixed* container_;
  glib::GObjectPtr<GtkWidget> widget_;
  std::vector<glib::SignalHandler> signals_;
  Control* control_ = nullptr;
  Rect rect_;
  Bitmap surface_;
  bool needs_paint_ = true;
  int paint_count_ = 0;
  bool enabled_ = true;
  int mouse_pointer_ = 0;
  std::shared_ptr<const Picture> mouse_icon_;
  int draw_style_ = 0;
  std::uint32_t fore_color_ = 0x80000012;
  std::string tooltip_text_;
  std::string access_keys_;
  bool display_as_default_ = false;
  std::optional<Region> region_;
  int shown_system_cursor_ = 0;
  // Double-click detection: time and place of the last press that could start one.
  std::uint32_t last_press_time_ = 0;
  double last_press_x_ = -1e9;
  double last_press_y_ = -1e9;
  bool in_double_click_ = false;
  bool suppress_next_click_ = false;
  GlibTimerScheduler timer_scheduler_;
  TimerTable timers_;  // after its scheduler, which it uses until it is gone
  GtkAsyncReader reader_;
  std::map<std::string, std::function<void(EventArgs&)>> event_handlers_;
  std::function<void(std::string_view)> property_changed_handler_;
  WindowHandle next_tooltip_ = 1;
  WindowHandle current_tooltip_ = 0;
  std::optional<ToolTipSpec> tooltip_spec_;
  // The control's own tooltip window (title, icon, balloon shape), while one is made.
  std::shared_ptr<GtkToolTipWindow> tooltip_window_;
  GtkThemePainter theme_painter_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tovarin::platform::gtk
