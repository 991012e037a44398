#pragma once
// AniGifViewer: one GTK window holding one ucAniGIF in user mode, the way a form holds the
// control: a GtkControlHost puts the control's widget into the window's GtkFixed, the control
// loads the file through LoadAnimatedGIF_File and animates on the host's GLib timers.
//
// The window is titled "<file name> - frame i/N", with " (paused)" or " (stopped)" added while
// the animation is not running; the title follows every FrameChanged and every key below.
//
// Keys (on the window): space pauses a running animation (Action 2), resumes a paused one
// (Action 1) and restarts a stopped one, whose passes have all run (Action 4); Right shows the
// next frame and pauses (Action 3); Home restarts from frame 1 (Action 4); q and Escape close
// the window. SIGINT and SIGTERM close it as well.
//
// Make one after gtk_init; Open, then Run until the window is closed. The viewer owns the
// window, the host and the control and takes them down in that order's reverse: the control
// is terminated and detached before either goes away.

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

#include "anigif/uc_ani_gif.h"
#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"
#include "platform/gtk/gtk_control_host.h"
#include "platform/gtk/gtk_desktop.h"
#include "platform/result.h"
#include "tools/anigif-view/view_options.h"

namespace tovarin::tools {

class AniGifViewer {
 public:
  AniGifViewer();
  ~AniGifViewer();
  AniGifViewer(const AniGifViewer&) = delete;
  AniGifViewer& operator=(const AniGifViewer&) = delete;

  // Reads the first bytes of `file` to tell "cannot be read" and "not a GIF" apart from a GIF
  // the control cannot show (the control reads the file itself). Needs no display.
  static platform::Status CheckFile(const std::string& file);

  // Places the control, loads `options.file` and sizes the window. An error names the file
  // and says why it cannot be shown (unreadable, not a GIF, no image that can be shown).
  platform::Status Open(const ViewOptions& options);
  // Shows the window and runs the main loop until the window is closed.
  void Run();

  std::string Title() const;

 private:
  struct MainLoopDeleter {
    void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
  };

  static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer data);
  static gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer data);
  static gboolean OnQuitSignal(gpointer data);
  bool HandleKey(guint keyval);
  void UpdateTitle();
  void Close();
  void TakeDownControl();

  platform::gtk::GtkDesktop desktop_;
  std::unique_ptr<GMainLoop, MainLoopDeleter> loop_;
  GtkWidget* window_ = nullptr;  // owned: destroyed with the viewer
  GtkWidget* fixed_ = nullptr;   // the window's child
  std::vector<platform::glib::SignalHandler> signals_;
  std::vector<platform::glib::MainLoopSource> quit_sources_;
  std::unique_ptr<platform::gtk::GtkControlHost> host_;
  std::unique_ptr<anigif::ucAniGIF> control_;
  std::string file_name_;  // shown in the title
};

}  // namespace tovarin::tools
