#pragma once
// GtkDesktop: what the GTK control hosts of one program share - the HTTP session, the window
// handles of widgets, the window procedure chains, leave tracking, the forms' activation,
// theme changes, and the keyboard routing of each form (access keys, default and cancel
// buttons).
//
// Window handles: every widget a host names (its own widget, its container, the form) gets a
// handle on first use; a finalized widget's handle goes away with its procedure.
//
// Procedure chains: each handle has a current procedure, at first the default one (returns 0).
// ReplaceProcedure installs another and returns the one it replaced. The desktop sends through
// the chain:
//   - kWmNcActivate then kWmActivate (wparam 1 / 0) to a form whose toplevel's is-active
//     property changes (once per form, however many controls it holds);
//   - kWmMouseLeave to a control window that asked for leave tracking, once, when the pointer
//     leaves it (while its mouse button is held the leave waits for the release, as with a
//     captured window);
//   - kWmThemeChanged to every window when the gtk-theme-name setting changes.
//
// Keyboard routing of a form (a handler on its toplevel sees every key first): Alt + a letter
// that is a control's access key focuses that control and sends it OnAccessKeyPress; Enter and
// Escape go to the default / cancel button as OnAccessKeyPress(13 / 27) unless the focused
// control handles them itself (default_cancel).

#include <gtk/gtk.h>
#include <libsoup/soup.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"
#include "platform/host/control_host.h"
#include "platform/host/window_procedure_chain.h"

namespace tovarin::platform::gtk {

class GtkControlHost;

class GtkDesktop {
 public:
  GtkDesktop();  // needs gtk_init to have run
  ~GtkDesktop();
  GtkDesktop(const GtkDesktop&) = delete;
  GtkDesktop& operator=(const GtkDesktop&) = delete;

  SoupSession* Session() const { return session_.get(); }

  // --- Window handles
  WindowHandle HandleOf(GtkWidget* widget);  // registers on first use; 0 for nullptr
  GtkWidget* WidgetOf(WindowHandle handle) const;
  // The registered window the pointer is over (the nearest registered widget holding the
  // GdkWindow under the pointer), 0 when it is over none.
  WindowHandle WindowUnderPointer() const;

  // --- Procedures
  std::optional<WindowProcedure> ReplaceProcedure(WindowHandle window, WindowProcedure procedure);
  std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::intptr_t wparam,
                            std::intptr_t lparam);
  void PostMessage(WindowHandle window, std::uint32_t message, std::intptr_t wparam,
                   std::intptr_t lparam);

  // --- Leave tracking (called by hosts)
  void TrackMouseLeave(WindowHandle window);
  void PointerLeft(WindowHandle window, bool button_held);
  void ButtonReleased(WindowHandle window, bool pointer_inside);

  // --- Mouse capture: one window at a time. The pointer is grabbed for it when the desktop
  // allows; the window counts as capturing even when the grab is refused.
  void SetCapture(WindowHandle window);
  void ReleaseCapture();
  WindowHandle CaptureWindow() const { return capture_; }

  // --- Forms
  void AddHost(GtkControlHost* host);
  void RemoveHost(GtkControlHost* host);
  std::vector<GtkControlHost*> HostsOfForm(GtkWidget* toplevel) const;
  void SetDefaultButton(GtkControlHost* host);  // of the host's form
  void SetCancelButton(GtkControlHost* host);
  void UpdateDisplayAsDefault(GtkWidget* toplevel);

  // --- Tests: called with every pop-up menu once it is shown (e.g. to choose an item).
  void SetPopupObserver(std::function<void(GtkMenu*)> observer) {
    popup_observer_ = std::move(observer);
  }
  void NotifyPopupShown(GtkMenu* menu) const;

 private:
  struct Window {
    GtkWidget* widget = nullptr;
    WindowProcedureChain procedures;
  };
  struct Form {
    std::vector<glib::SignalHandler> signals;
    GtkControlHost* default_button = nullptr;
    GtkControlHost* cancel_button = nullptr;
  };
  static void OnWidgetFinalized(gpointer data, GObject* where_the_object_was);
  static void OnActiveChanged(GtkWindow* window, GParamSpec* spec, gpointer data);
  static gboolean OnFormKeyPress(GtkWidget* toplevel, GdkEventKey* event, gpointer data);
  static void OnThemeChanged(GtkSettings* settings, GParamSpec* spec, gpointer data);
  void WatchForm(GtkWidget* toplevel);
  bool RouteFormKey(GtkWidget* toplevel, const GdkEventKey& event);

  glib::GObjectPtr<SoupSession> session_;
  std::map<WindowHandle, Window> windows_;
  std::map<GtkWidget*, WindowHandle> handles_;
  WindowHandle next_handle_ = 0x10000;
  std::set<WindowHandle> leave_armed_;
  std::set<WindowHandle> leave_waiting_for_release_;
  std::vector<GtkControlHost*> hosts_;
  std::map<GtkWidget*, Form> forms_;
  std::vector<std::map<GtkWidget*, Form>::node_type> finalized_forms_;  // see OnWidgetFinalized
  glib::SignalHandler theme_signal_;
  WindowHandle capture_ = 0;
  GdkSeat* grabbed_seat_ = nullptr;
  std::function<void(GtkMenu*)> popup_observer_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tovarin::platform::gtk
