#include "platform/gtk/form_window_toolkit.h"

#include <gio/gio.h>
#include <gtk/gtk.h>

#include "platform/gtk/form_window_gtk.h"
#include "platform/gtk/tray_icon_gtk.h"

namespace tovarin::platform::gtk {

GtkFormTimer::GtkFormTimer(unsigned interval_ms, std::function<void()> on_tick)
    : interval_ms_(interval_ms), on_tick_(std::move(on_tick)) {}

GtkFormTimer::~GtkFormTimer() {
  if (source_ != 0) g_source_remove(source_);
}

void GtkFormTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (ticking_) return;  // OnTick keeps or drops the source when the tick is over
  if (enabled && source_ == 0) source_ = g_timeout_add(interval_ms_, OnTick, this);
  if (!enabled && source_ != 0) {
    g_source_remove(source_);
    source_ = 0;
  }
}

gboolean GtkFormTimer::OnTick(gpointer self) {
  auto* timer = static_cast<GtkFormTimer*>(self);
  timer->ticking_ = true;
  if (timer->on_tick_) glib::GuardCallback([&] { timer->on_tick_(); });
  timer->ticking_ = false;
  if (timer->enabled_) return G_SOURCE_CONTINUE;
  timer->source_ = 0;
  return G_SOURCE_REMOVE;
}

GtkFormToolkit::GtkFormToolkit() : loop_(g_main_loop_new(nullptr, FALSE)) {}

GtkFormToolkit::~GtkFormToolkit() { g_main_loop_unref(loop_); }

Result<std::unique_ptr<FormWindow>> GtkFormToolkit::CreateFormWindow(
    const FormWindowSettings& settings) {
  if (gdk_display_get_default() == nullptr) return Error{"no display"};
  return std::unique_ptr<FormWindow>(std::make_unique<GtkFormWindow>(desktop_, settings));
}

std::unique_ptr<FormTimer> GtkFormToolkit::CreateTimer(unsigned interval_ms,
                                                       std::function<void()> on_tick) {
  return std::make_unique<GtkFormTimer>(interval_ms, std::move(on_tick));
}

Result<std::unique_ptr<TrayIcon>> GtkFormToolkit::CreateTrayIcon(const TrayIconSettings& settings) {
  if (gdk_display_get_default() == nullptr) return Error{"no display"};
  return std::unique_ptr<TrayIcon>(std::make_unique<GtkTrayIcon>(settings));
}

void GtkFormToolkit::MessageBox(const std::string& text, const std::string& title, int icon) {
  GtkMessageType type = GTK_MESSAGE_OTHER;
  if (icon == kIconCritical) type = GTK_MESSAGE_ERROR;
  if (icon == kIconQuestion) type = GTK_MESSAGE_QUESTION;
  if (icon == kIconWarning) type = GTK_MESSAGE_WARNING;
  if (icon == kIconInformation) type = GTK_MESSAGE_INFO;
  GtkWidget* dialog =
      gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

void GtkFormToolkit::OpenAddress(const std::string& address) {
  GError* error = nullptr;
  if (!g_app_info_launch_default_for_uri(address.c_str(), nullptr, &error) && error != nullptr) {
    g_message("tovarin: cannot open %s: %s", address.c_str(), error->message);
    g_error_free(error);
  }
}

namespace {
gboolean RunTask(gpointer data) {
  glib::GuardCallback([&] { (*static_cast<std::function<void()>*>(data))(); });
  return G_SOURCE_REMOVE;
}
}  // namespace

void GtkFormToolkit::PostTask(std::function<void()> task) {
  // GLib owns the task from here and deletes it after it ran (or when the source goes away).
  g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, RunTask,
                  glib::BoxUserData<std::function<void()>>(std::move(task)),
                  &glib::DeleteUserData<std::function<void()>>);
}

void GtkFormToolkit::Quit(int exit_code) {
  quit_ = true;
  exit_code_ = exit_code;
  g_main_loop_quit(loop_);
}

int GtkFormToolkit::Run() {
  if (!quit_) g_main_loop_run(loop_);
  return exit_code_;
}

}  // namespace tovarin::platform::gtk
