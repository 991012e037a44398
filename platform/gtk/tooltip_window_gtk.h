#pragma once
// GtkToolTipWindow: a control's own tooltip on the GTK desktop - a small undecorated pop-up
// window that shows a ToolTipImage (rectangle or balloon, title, icon, wrapped text) in the
// image's shape, next to the pointer, while the pointer rests over the tool widget.
//
// It watches the tool widget's pointer itself, as the desktop's tooltip control does for a tool
// registered with its subclass flag:
//   - the pointer resting over the tool for kInitialDelayMs shows the tip (each move before
//     that starts the delay again);
//   - the tip hides after kAutoPopMs, when the pointer leaves the tool, or at a button press;
//     after a press it stays hidden until the pointer has left and entered again;
//   - it is shown also while the tool's window is inactive (always-tip);
//   - an empty text shows nothing;
//   - the tip window takes no pointer input: the pointer "sees through" it to the tool.
//
// The window is made when first shown and destroyed with the object. Owned and used on the GUI
// thread only; no exception leaves a GLib callback.

#include <gtk/gtk.h>

#include <optional>

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"
#include "platform/host/control_host.h"
#include "platform/host/tooltip_image.h"

namespace tovarin::platform {
class TextSystem;
}

namespace tovarin::platform::gtk {

class GtkToolTipWindow {
 public:
  static constexpr guint kInitialDelayMs = 500;
  static constexpr guint kAutoPopMs = 5000;

  // Watches `tool` (not owned; it must outlive this object or be destroyed with it).
  GtkToolTipWindow(GtkWidget* tool, ToolTipSpec spec, const TextSystem& text);
  GtkToolTipWindow(const GtkToolTipWindow&) = delete;
  GtkToolTipWindow& operator=(const GtkToolTipWindow&) = delete;
  ~GtkToolTipWindow();

  const ToolTipSpec& Spec() const { return spec_; }
  bool IsShown() const;
  // Shows the tip now for the pointer at `screen_pointer` (root coordinates); hides it.
  void ShowAt(Point screen_pointer);
  void Hide();

 private:
  static gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self);
  static gboolean OnLeave(GtkWidget* widget, GdkEventCrossing* event, gpointer self);
  static gboolean OnEnter(GtkWidget* widget, GdkEventCrossing* event, gpointer self);
  static gboolean OnPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean OnInitialDelay(gpointer self);
  static gboolean OnAutoPop(gpointer self);

  void PointerMoved(Point screen_pointer);
  void EnsureWindow();
  Rect WorkArea(Point screen_pointer) const;

  GtkWidget* tool_;
  ToolTipSpec spec_;
  ToolTipPainter painter_;
  GtkWidget* window_ = nullptr;  // owned: destroyed with this object
  std::optional<ToolTipImage> image_;
  Point pointer_{};
  bool suppressed_ = false;  // after a press, until the pointer leaves
  glib::MainLoopSource initial_delay_;
  glib::MainLoopSource auto_pop_;
  glib::SignalHandler draw_;
  // Last: disconnected first when the object dies.
  glib::SignalHandler motion_;
  glib::SignalHandler enter_;
  glib::SignalHandler leave_;
  glib::SignalHandler press_;
};

}  // namespace tovarin::platform::gtk
