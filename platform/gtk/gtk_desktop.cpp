#include "platform/gtk/gtk_desktop.h"

#include <algorithm>
#include <cctype>

#include "platform/gtk/gtk_control_host.h"
#include "platform/gtk/key_codes.h"

namespace tovarin::platform::gtk {

GtkDesktop::GtkDesktop() : session_(soup_session_new()) {
  if (GtkSettings* settings = gtk_settings_get_default()) {
    theme_signal_ = glib::SignalHandler(settings, "notify::gtk-theme-name",
                                        G_CALLBACK(&GtkDesktop::OnThemeChanged), this);
  }
}

GtkDesktop::~GtkDesktop() {
  *alive_ = false;
  forms_.clear();
  finalized_forms_.clear();  // their weak pointers were cleared when their windows went
  for (const auto& [widget, handle] : handles_)
    g_object_weak_unref(G_OBJECT(widget), &OnWidgetFinalized, this);
}

// --- Window handles ------------------------------------------------------------------------------

WindowHandle GtkDesktop::HandleOf(GtkWidget* widget) {
  if (widget == nullptr) return 0;
  const auto it = handles_.find(widget);
  if (it != handles_.end()) return it->second;
  const WindowHandle handle = next_handle_;
  next_handle_ += 4;
  handles_[widget] = handle;
  windows_.insert_or_assign(
      handle, Window{widget, WindowProcedureChain([](WindowHandle, std::uint32_t, std::intptr_t,
                                                     std::intptr_t) { return std::intptr_t{0}; })});
  // The form's signal holders add their weak pointers before OnWidgetFinalized is added; the
  // order does not last (see OnWidgetFinalized).
  if (GTK_IS_WINDOW(widget)) WatchForm(widget);
  g_object_weak_ref(G_OBJECT(widget), &OnWidgetFinalized, this);
  return handle;
}

void GtkDesktop::OnWidgetFinalized(gpointer data, GObject* where_the_object_was) {
  auto* self = static_cast<GtkDesktop*>(data);
  auto* widget = reinterpret_cast<GtkWidget*>(where_the_object_was);
  const auto it = self->handles_.find(widget);
  if (it == self->handles_.end()) return;
  self->windows_.erase(it->second);
  self->leave_armed_.erase(it->second);
  self->leave_waiting_for_release_.erase(it->second);
  if (self->capture_ == it->second) {
    self->capture_ = 0;
    self->grabbed_seat_ = nullptr;  // the desktop ends a grab when its window goes
  }
  self->handles_.erase(it);
  // The form's signal holders keep weak pointers to this object, and GLib may not have cleared
  // them yet: removing a weak reference (anyone's) reorders the object's list, so they can run
  // after this one. Its handlers are already gone, so the holders must not disconnect, and
  // their memory must stay until every weak pointer was cleared: the form's node is kept (the
  // holders stay where they are) until the desktop goes.
  if (auto form = self->forms_.extract(widget)) self->finalized_forms_.push_back(std::move(form));
}

GtkWidget* GtkDesktop::WidgetOf(WindowHandle handle) const {
  const auto it = windows_.find(handle);
  return it == windows_.end() ? nullptr : it->second.widget;
}

WindowHandle GtkDesktop::WindowUnderPointer() const {
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return 0;
  GdkSeat* seat = gdk_display_get_default_seat(display);
  GdkDevice* pointer = seat != nullptr ? gdk_seat_get_pointer(seat) : nullptr;
  if (pointer == nullptr) return 0;
  GdkWindow* window = gdk_device_get_window_at_position(pointer, nullptr, nullptr);
  if (window == nullptr) return 0;
  gpointer user_data = nullptr;
  gdk_window_get_user_data(window, &user_data);
  for (auto* widget = static_cast<GtkWidget*>(user_data); widget != nullptr;
       widget = gtk_widget_get_parent(widget)) {
    const auto it = handles_.find(widget);
    if (it != handles_.end()) return it->second;
  }
  return 0;
}

// --- Procedures ----------------------------------------------------------------------------------

std::optional<WindowProcedure> GtkDesktop::ReplaceProcedure(WindowHandle window,
                                                            WindowProcedure procedure) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return std::nullopt;
  return it->second.procedures.Replace(std::move(procedure));
}

std::intptr_t GtkDesktop::SendMessage(WindowHandle window, std::uint32_t message,
                                      std::intptr_t wparam, std::intptr_t lparam) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return 0;
  const WindowProcedureChain& procedures = it->second.procedures;
  std::intptr_t result = 0;
  glib::GuardCallback([&] { result = procedures.Send(window, message, wparam, lparam); });
  return result;
}

namespace {
struct PostedMessage {
  std::weak_ptr<bool> alive;
  GtkDesktop* desktop;
  WindowHandle window;
  std::uint32_t message;
  std::intptr_t wparam;
  std::intptr_t lparam;
};
}  // namespace

void GtkDesktop::PostMessage(WindowHandle window, std::uint32_t message, std::intptr_t wparam,
                             std::intptr_t lparam) {
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        const auto* p = static_cast<PostedMessage*>(data);
        glib::GuardCallback([&] {
          if (!p->alive.expired())
            p->desktop->SendMessage(p->window, p->message, p->wparam, p->lparam);
        });
        return G_SOURCE_REMOVE;
      },
      glib::BoxUserData<PostedMessage>(
          PostedMessage{alive_, this, window, message, wparam, lparam}),
      &glib::DeleteUserData<PostedMessage>);
}

// --- Leave tracking
// -------------------------------------------------------------------------------

void GtkDesktop::TrackMouseLeave(WindowHandle window) {
  if (windows_.count(window) == 0) return;
  if (WindowUnderPointer() != window) {
    // Not over the window now: the leave comes at once, as a posted message.
    leave_armed_.erase(window);
    PostMessage(window, kWmMouseLeave, 0, 0);
    return;
  }
  leave_armed_.insert(window);
}

void GtkDesktop::PointerLeft(WindowHandle window, bool button_held) {
  if (leave_armed_.count(window) == 0) return;
  if (button_held) {
    leave_waiting_for_release_.insert(window);
    return;
  }
  leave_armed_.erase(window);
  leave_waiting_for_release_.erase(window);
  SendMessage(window, kWmMouseLeave, 0, 0);
}

void GtkDesktop::ButtonReleased(WindowHandle window, bool pointer_inside) {
  if (leave_waiting_for_release_.erase(window) == 0 || pointer_inside) return;
  if (leave_armed_.erase(window) != 0) SendMessage(window, kWmMouseLeave, 0, 0);
}

// --- Capture
// ---------------------------------------------------------------------------------------

void GtkDesktop::SetCapture(WindowHandle window) {
  ReleaseCapture();
  GtkWidget* widget = WidgetOf(window);
  if (widget == nullptr) return;
  capture_ = window;
  GdkWindow* gdk_window = gtk_widget_get_window(widget);
  GdkDisplay* display = gdk_display_get_default();
  GdkSeat* seat = display != nullptr ? gdk_display_get_default_seat(display) : nullptr;
  if (gdk_window == nullptr || seat == nullptr) return;
  if (gdk_seat_grab(seat, gdk_window, GDK_SEAT_CAPABILITY_ALL_POINTING, FALSE, nullptr, nullptr,
                    nullptr, nullptr) == GDK_GRAB_SUCCESS) {
    grabbed_seat_ = seat;
  }
}

void GtkDesktop::ReleaseCapture() {
  if (grabbed_seat_ != nullptr) gdk_seat_ungrab(grabbed_seat_);
  grabbed_seat_ = nullptr;
  capture_ = 0;
}

// --- Forms
// -------------------------------------------------------------------------------------------

void GtkDesktop::WatchForm(GtkWidget* toplevel) {
  Form& form = forms_[toplevel];
  if (!form.signals.empty()) return;
  form.signals.emplace_back(toplevel, "notify::is-active", G_CALLBACK(&GtkDesktop::OnActiveChanged),
                            this);
  form.signals.emplace_back(toplevel, "key-press-event", G_CALLBACK(&GtkDesktop::OnFormKeyPress),
                            this);
}

void GtkDesktop::OnActiveChanged(GtkWindow* window, GParamSpec*, gpointer data) {
  glib::GuardCallback([&] {
    auto* self = static_cast<GtkDesktop*>(data);
    const WindowHandle handle = self->HandleOf(GTK_WIDGET(window));
    const std::intptr_t active = gtk_window_is_active(window) ? 1 : 0;
    self->SendMessage(handle, kWmNcActivate, active, 0);
    self->SendMessage(handle, kWmActivate, active, 0);
  });
}

gboolean GtkDesktop::OnFormKeyPress(GtkWidget* toplevel, GdkEventKey* event, gpointer data) {
  gboolean handled = FALSE;
  glib::GuardCallback([&] {
    handled = static_cast<GtkDesktop*>(data)->RouteFormKey(toplevel, *event) ? TRUE : FALSE;
  });
  return handled;
}

bool GtkDesktop::RouteFormKey(GtkWidget* toplevel, const GdkEventKey& event) {
  const std::vector<GtkControlHost*> hosts = HostsOfForm(toplevel);
  if ((event.state & GDK_MOD1_MASK) != 0) {
    const guint32 character = gdk_keyval_to_unicode(gdk_keyval_to_lower(event.keyval));
    if (character == 0 || character > 0x7F) return false;
    const char key = static_cast<char>(character);
    for (GtkControlHost* host : hosts) {
      if (!host->Enabled()) continue;
      const std::string& keys = host->AccessKeys();
      if (std::none_of(keys.begin(), keys.end(), [key](char k) { return std::tolower(k) == key; }))
        continue;
      host->SetFocus();
      host->DeliverAccessKey(key);
      return true;
    }
    return false;
  }
  const int code = VirtualKeyCode(event.keyval);
  if (code != 13 && code != 27) return false;
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(toplevel));
  for (GtkControlHost* host : hosts) {
    if (host->Widget() == focus && host->HandlesDefaultKeys()) return false;
  }
  const auto form = forms_.find(toplevel);
  if (form == forms_.end()) return false;
  GtkControlHost* target = code == 13 ? form->second.default_button : form->second.cancel_button;
  if (target == nullptr || !target->Enabled()) return false;
  target->DeliverAccessKey(code);
  return true;
}

void GtkDesktop::OnThemeChanged(GtkSettings*, GParamSpec*, gpointer data) {
  glib::GuardCallback([&] {
    auto* self = static_cast<GtkDesktop*>(data);
    std::vector<WindowHandle> handles;
    for (const auto& [handle, window] : self->windows_) handles.push_back(handle);
    for (const WindowHandle handle : handles) self->SendMessage(handle, kWmThemeChanged, 0, 0);
  });
}

void GtkDesktop::AddHost(GtkControlHost* host) { hosts_.push_back(host); }

void GtkDesktop::RemoveHost(GtkControlHost* host) {
  std::erase(hosts_, host);
  for (auto& [toplevel, form] : forms_) {
    if (form.default_button == host) form.default_button = nullptr;
    if (form.cancel_button == host) form.cancel_button = nullptr;
  }
}

std::vector<GtkControlHost*> GtkDesktop::HostsOfForm(GtkWidget* toplevel) const {
  std::vector<GtkControlHost*> hosts;
  for (GtkControlHost* host : hosts_) {
    if (host->Toplevel() == toplevel) hosts.push_back(host);
  }
  return hosts;
}

void GtkDesktop::SetDefaultButton(GtkControlHost* host) {
  if (host == nullptr || host->Toplevel() == nullptr) return;
  HandleOf(host->Toplevel());
  forms_[host->Toplevel()].default_button = host;
  UpdateDisplayAsDefault(host->Toplevel());
}

void GtkDesktop::SetCancelButton(GtkControlHost* host) {
  if (host == nullptr || host->Toplevel() == nullptr) return;
  HandleOf(host->Toplevel());
  forms_[host->Toplevel()].cancel_button = host;
}

void GtkDesktop::UpdateDisplayAsDefault(GtkWidget* toplevel) {
  if (toplevel == nullptr || !GTK_IS_WINDOW(toplevel)) return;
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(toplevel));
  const std::vector<GtkControlHost*> hosts = HostsOfForm(toplevel);
  GtkControlHost* focused_default = nullptr;
  for (GtkControlHost* host : hosts) {
    if (host->Widget() == focus && host->HandlesDefaultKeys()) focused_default = host;
  }
  const auto form = forms_.find(toplevel);
  GtkControlHost* default_button = form != forms_.end() ? form->second.default_button : nullptr;
  for (GtkControlHost* host : hosts) {
    if (!host->HandlesDefaultKeys()) continue;
    host->SetDisplayAsDefault(focused_default != nullptr ? host == focused_default
                                                         : host == default_button);
  }
}

void GtkDesktop::NotifyPopupShown(GtkMenu* menu) const {
  if (popup_observer_) popup_observer_(menu);
}

}  // namespace tovarin::platform::gtk
