#include "platform/gtk/gtk_control_host.h"

#include <algorithm>

#include "platform/gtk/gtk_popup_menu.h"
#include "platform/raster/units.h"
#include "platform/store/scratch_store.h"
#include "platform/text/font.h"

namespace tovarin::platform::gtk {

namespace {

struct QueuedTab {
  std::weak_ptr<bool> alive;
  glib::GObjectPtr<GtkWidget> toplevel;
  bool forward;
};

}  // namespace

GtkControlHost::GtkControlHost(GtkDesktop& desktop, GtkFixed* container, GtkHostOptions options)
    : desktop_(desktop),
      options_(std::move(options)),
      container_(container),
      widget_(GTK_WIDGET(g_object_ref_sink(gtk_drawing_area_new()))),
      rect_(options_.rect),
      timers_(timer_scheduler_,
              [](std::uint64_t key, const std::string& message) {
                g_warning("tovarin: timer %llu of a control failed: %s",
                          static_cast<unsigned long long>(key), message.c_str());
              }),
      reader_(
          desktop.Session(),
          [this](const AsyncReadProgress& progress) {
            if (control_) control_->OnAsyncReadProgress(progress);
          },
          [this](AsyncReadCompletion& completion) {
            if (control_) control_->OnAsyncReadComplete(completion);
          }) {
  rect_.right = std::max(rect_.right, rect_.left);
  rect_.bottom = std::max(rect_.bottom, rect_.top);
  tooltip_text_ = options_.tooltip_text;
  GtkWidget* widget = widget_.get();
  gtk_widget_set_name(widget, options_.name.c_str());
  gtk_widget_add_events(widget, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                    GDK_POINTER_MOTION_MASK | GDK_ENTER_NOTIFY_MASK |
                                    GDK_LEAVE_NOTIFY_MASK | GDK_KEY_PRESS_MASK |
                                    GDK_KEY_RELEASE_MASK | GDK_FOCUS_CHANGE_MASK);
  gtk_widget_set_can_focus(widget, TRUE);
  gtk_widget_set_size_request(widget, rect_.Width(), rect_.Height());
  if (container_ != nullptr) gtk_fixed_put(container_, widget, rect_.left, rect_.top);
  ConnectSignals();
  desktop_.AddHost(this);
  RecreateSurface();
  UpdateToolTip();
}

GtkControlHost::~GtkControlHost() {
  *alive_ = false;
  Detach();
  if (desktop_.CaptureWindow() == ControlWindow()) desktop_.ReleaseCapture();
  desktop_.RemoveHost(this);
  signals_.clear();
  gtk_widget_destroy(widget_.get());
}

void GtkControlHost::Detach() {
  timers_.KillAll();
  control_ = nullptr;
}

void GtkControlHost::InitNew() {
  if (control_) SiteNewControl(*control_);
}

Status GtkControlHost::ReadProperties(const PropertyStore& store) {
  if (!control_) return Error{"no control attached"};
  return SiteSavedControl(*control_, store);
}

PropertyStore GtkControlHost::WriteProperties() {
  PropertyStore store;
  if (control_) control_->OnWriteProperties(store);
  return store;
}

GtkWidget* GtkControlHost::Toplevel() const {
  GtkWidget* top = gtk_widget_get_toplevel(widget_.get());
  return (top != nullptr && gtk_widget_is_toplevel(top)) ? top : nullptr;
}

void GtkControlHost::SetDisplayAsDefault(bool value) {
  if (value == display_as_default_) return;
  display_as_default_ = value;
  if (control_) control_->OnAmbientChanged("DisplayAsDefault");
}

void GtkControlHost::DeliverAccessKey(int key_ascii) {
  if (control_ && enabled_) control_->OnAccessKeyPress(key_ascii);
}

// --- Ambient, notifications, extender
// ---------------------------------------------------------------

std::shared_ptr<Font> GtkControlHost::AmbientFont() const {
  return options_.font ? options_.font : std::make_shared<Font>();
}

bool GtkControlHost::AppThemed() const {
  GtkSettings* settings = gtk_settings_get_default();
  if (settings == nullptr) return false;
  gchar* name = nullptr;
  g_object_get(settings, "gtk-theme-name", &name, nullptr);
  const bool themed = name != nullptr && name[0] != '\0';
  g_free(name);
  return themed;
}

void GtkControlHost::PropertyChanged(std::string_view property_name) {
  if (property_changed_handler_) property_changed_handler_(property_name);
}

void GtkControlHost::RaiseEvent(std::string_view event_name, EventArgs& args) {
  const auto it = event_handlers_.find(std::string(event_name));
  if (it == event_handlers_.end() || !it->second) return;
  const auto handler = it->second;  // the handler may replace itself
  handler(args);
}

void GtkControlHost::SetEventHandler(const std::string& event_name,
                                     std::function<void(EventArgs&)> handler) {
  event_handlers_[event_name] = std::move(handler);
}

void GtkControlHost::SetPropertyChangedHandler(std::function<void(std::string_view)> handler) {
  property_changed_handler_ = std::move(handler);
}

WindowHandle GtkControlHost::ControlWindow() const { return desktop_.HandleOf(widget_.get()); }
WindowHandle GtkControlHost::ContainerWindow() const {
  return desktop_.HandleOf(container_ != nullptr ? GTK_WIDGET(container_) : nullptr);
}
WindowHandle GtkControlHost::ParentWindow() const { return desktop_.HandleOf(Toplevel()); }

std::vector<Control*> GtkControlHost::SiblingControls() const {
  std::vector<Control*> controls;
  for (GtkControlHost* host : desktop_.HostsOfForm(Toplevel())) {
    if (host->control_ && host->container_ == container_) controls.push_back(host->control_);
  }
  return controls;
}

std::vector<Control*> GtkControlHost::FormControls() const {
  std::vector<Control*> controls;
  for (GtkControlHost* host : desktop_.HostsOfForm(Toplevel())) {
    if (host->control_) controls.push_back(host->control_);
  }
  return controls;
}

void GtkControlHost::SetFocus() { gtk_widget_grab_focus(widget_.get()); }
bool GtkControlHost::HasFocus() const { return gtk_widget_is_focus(widget_.get()); }

// --- Size and surface
// --------------------------------------------------------------------------------

Rect GtkControlHost::ExtentTwips() const {
  return Rect{rect_.left * kTwipsPerPixel, rect_.top * kTwipsPerPixel, rect_.right * kTwipsPerPixel,
              rect_.bottom * kTwipsPerPixel};
}

void GtkControlHost::ResizeTwips(int width_twips, int height_twips) {
  const auto to_pixels = [](int twips) {
    return static_cast<int>(std::max<std::int64_t>(0, Nearest(TwipsToPixels(twips))));
  };
  const int width = to_pixels(width_twips);
  const int height = to_pixels(height_twips);
  if (width == rect_.Width() && height == rect_.Height()) return;
  rect_ = Rect::FromXYWH(rect_.left, rect_.top, width, height);
  gtk_widget_set_size_request(widget_.get(), width, height);
  RecreateSurface();
  if (control_) control_->OnResize();
  needs_paint_ = true;
  gtk_widget_queue_draw(widget_.get());
}

void GtkControlHost::RecreateSurface() {
  auto bitmap = Bitmap::Create(rect_.Width(), rect_.Height(), 24);
  surface_ = bitmap.ok() ? std::move(bitmap).value() : Bitmap();
  needs_paint_ = true;
}

void GtkControlHost::PaintSurface() {
  const ColorRef background = BackgroundColor();
  for (int y = 0; y < surface_.Height(); ++y) {
    for (int x = 0; x < surface_.Width(); ++x) surface_.SetPixel(x, y, background);
  }
  needs_paint_ = false;
  ++paint_count_;
  if (control_) control_->OnPaint();
}

void GtkControlHost::Refresh() {
  PaintSurface();
  gtk_widget_queue_draw(widget_.get());
}

void GtkControlHost::Invalidate() { gtk_widget_queue_draw(widget_.get()); }

void GtkControlHost::SetWindowRegion(std::optional<Region> region) {
  region_ = std::move(region);
  ApplyRegion();
}

void GtkControlHost::SetEnabled(bool enabled) {
  enabled_ = enabled;
  gtk_widget_set_sensitive(widget_.get(), enabled ? TRUE : FALSE);
}

void GtkControlHost::SetMousePointer(int pointer_kind) {
  mouse_pointer_ = pointer_kind;
  ApplyCursor(0);
}

void GtkControlHost::SetMouseIcon(std::shared_ptr<const Picture> icon) {
  mouse_icon_ = std::move(icon);
  ApplyCursor(0);
}

bool GtkControlHost::SetSystemCursor(int cursor_id) {
  if (!IsKnownSystemCursor(cursor_id)) return false;
  shown_system_cursor_ = cursor_id;
  ApplyCursor(cursor_id);
  return true;
}

// --- Timers
// ----------------------------------------------------------------------------------------------

bool GtkControlHost::SetTimer(std::uint64_t key, unsigned interval_ms,
                              std::function<void()> on_expiry) {
  return timers_.Set(key, interval_ms, std::move(on_expiry));
}

void GtkControlHost::KillTimer(std::uint64_t key) { timers_.Kill(key); }

// --- Reads, scratch store, menus, desktop
// ------------------------------------------------------------------

Status GtkControlHost::AsyncRead(const std::string& address, const std::string& name) {
  return reader_.Start(address, name);
}

Result<Bytes> GtkControlHost::ScratchStoreContents(std::string_view key, const Picture& picture) {
  return platform::ScratchStoreContents(key, picture);
}

void GtkControlHost::PopupMenu(MenuItem& menu, int x, int y, unsigned flags,
                               const MenuItem* default_item) {
  if (const auto placement = PlacementInWidget(widget_.get(), x, y, flags))
    RunPopupMenu(desktop_, menu, *placement, default_item);
}

void GtkControlHost::OpenAddress(const std::string& address) {
  std::string uri = address;
  if (address.find("://") == std::string::npos && !address.empty()) {
    gchar* absolute = g_canonicalize_filename(address.c_str(), nullptr);
    gchar* converted = g_filename_to_uri(absolute, nullptr, nullptr);
    uri = converted != nullptr ? converted : address;
    g_free(converted);
    g_free(absolute);
  }
  glib::GErrorHolder error;
  if (!g_app_info_launch_default_for_uri(uri.c_str(), nullptr, error.out())) {
    g_message("tovarin: cannot open %s: %s", uri.c_str(), error.message().c_str());
  }
}

int GtkControlHost::MessageBox(const std::string& text, const std::string& title, int icon) {
  GtkMessageType type = GTK_MESSAGE_OTHER;
  if (icon == 16) type = GTK_MESSAGE_ERROR;
  if (icon == 32) type = GTK_MESSAGE_QUESTION;
  if (icon == 48) type = GTK_MESSAGE_WARNING;
  if (icon == 64) type = GTK_MESSAGE_INFO;
  GtkWidget* top = Toplevel();
  GtkWidget* dialog = gtk_message_dialog_new(
      top != nullptr ? GTK_WINDOW(top) : nullptr,
      static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), type,
      GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  return 1;
}

void GtkControlHost::SetCapture() { desktop_.SetCapture(ControlWindow()); }
void GtkControlHost::ReleaseCapture() { desktop_.ReleaseCapture(); }
WindowHandle GtkControlHost::CaptureWindow() const { return desktop_.CaptureWindow(); }

void GtkControlHost::SendKeys(std::string_view keys) {
  GtkWidget* top = Toplevel();
  if (top == nullptr) return;
  for (const bool forward : TabKeys(keys)) {
    // Queued like typed keys: the focus moves after the current event has been handled.
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
          const auto* queued = static_cast<QueuedTab*>(data);
          glib::GuardCallback([&] {
            if (!queued->alive.expired()) {
              gtk_widget_child_focus(queued->toplevel.get(),
                                     queued->forward ? GTK_DIR_TAB_FORWARD : GTK_DIR_TAB_BACKWARD);
            }
          });
          return G_SOURCE_REMOVE;
        },
        glib::BoxUserData<QueuedTab>(
            QueuedTab{alive_, glib::GObjectPtr<GtkWidget>(GTK_WIDGET(g_object_ref(top))), forward}),
        &glib::DeleteUserData<QueuedTab>);
  }
}

void GtkControlHost::ProcessPendingMessages() {
  // One pass over what is pending now; bounded so a busy source cannot keep us here.
  for (int i = 0; i < 1000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
}

}  // namespace tovarin::platform::gtk
