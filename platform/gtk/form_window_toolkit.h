#pragma once
// GtkFormToolkit: the form toolkit of the program on GTK 3: GtkFormWindow windows, GLib
// timers, the tray icon (a StatusNotifierItem or an XEmbed icon), the CSS skin,
// GtkMessageDialog message boxes, the desktop's default browser (GIO) and the GLib main loop.
// Call gtk_init before making one.

#include <glib.h>

#include <functional>
#include <memory>

#include "platform/gtk/form_window_skin.h"
#include "platform/gtk/gtk_desktop.h"
#include "platform/host/form_toolkit.h"

namespace tovarin::platform::gtk {

// A periodic GLib timer that exists only while enabled, so a disabled timer never wakes up.
class GtkFormTimer final : public FormTimer {
 public:
  GtkFormTimer(unsigned interval_ms, std::function<void()> on_tick);
  ~GtkFormTimer() override;
  GtkFormTimer(const GtkFormTimer&) = delete;
  GtkFormTimer& operator=(const GtkFormTimer&) = delete;
  unsigned IntervalMs() const override { return interval_ms_; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override;

 private:
  static gboolean OnTick(gpointer self);
  unsigned interval_ms_;
  std::function<void()> on_tick_;
  bool enabled_ = false;
  bool ticking_ = false;
  guint source_ = 0;
};

class GtkFormToolkit final : public FormToolkit {
 public:
  GtkFormToolkit();
  ~GtkFormToolkit() override;
  GtkFormToolkit(const GtkFormToolkit&) = delete;
  GtkFormToolkit& operator=(const GtkFormToolkit&) = delete;

  Result<std::unique_ptr<FormWindow>> CreateFormWindow(const FormWindowSettings& settings) override;
  std::unique_ptr<FormTimer> CreateTimer(unsigned interval_ms,
                                         std::function<void()> on_tick) override;
  Result<std::unique_ptr<TrayIcon>> CreateTrayIcon(const TrayIconSettings& settings) override;
  SkinLibrary& Skin() override { return skin_; }
  void MessageBox(const std::string& text, const std::string& title, int icon) override;
  void OpenAddress(const std::string& address) override;
  void PostTask(std::function<void()> task) override;
  void Quit(int exit_code) override;
  int Run() override;

 private:
  GtkDesktop desktop_;  // serves the hosts of every window's controls
  GtkSkinLibrary skin_;
  GMainLoop* loop_;
  bool quit_ = false;
  int exit_code_ = 0;
};

}  // namespace tovarin::platform::gtk
