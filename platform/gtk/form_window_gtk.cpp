#include "platform/gtk/form_window_gtk.h"

#include <algorithm>

#include "platform/gtk/form_window_children.h"
#include "platform/gtk/gtk_popup_menu.h"
#include "platform/gtk/key_codes.h"
#include "platform/gtk/webkit_browser_view.h"
#include "platform/raster/units.h"

namespace tovarin::platform::gtk {

namespace {

float PixelsToTwipsF(double pixels) { return static_cast<float>(pixels * kTwipsPerPixel); }

}  // namespace

GtkFormWindow::GtkFormWindow(GtkDesktop& desktop, const FormWindowSettings& settings)
    : desktop_(desktop),
      settings_(settings),
      window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)),
      fixed_(gtk_fixed_new()) {
  g_object_ref_sink(window_);
  GtkWindow* window = GTK_WINDOW(window_);
  gtk_window_set_title(window, settings.caption.c_str());
  gtk_window_set_decorated(window, settings.borderless ? FALSE : TRUE);
  ApplyTaskbarHint(settings.show_in_taskbar);
  gtk_window_set_resizable(window, FALSE);
  if (!settings.icon_path.empty())
    gtk_window_set_icon_from_file(window, settings.icon_path.c_str(), nullptr);
  if (!settings.background_picture.empty()) {
    background_ = glib::GObjectPtr<GdkPixbuf>(
        gdk_pixbuf_new_from_file(settings.background_picture.c_str(), nullptr));
  }

  gtk_widget_set_has_window(fixed_, TRUE);
  gtk_widget_set_size_request(fixed_, TwipsToSizePixels(settings.client_width_twips),
                              TwipsToSizePixels(settings.client_height_twips));
  gtk_widget_add_events(fixed_,
                        GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK);
  gtk_container_add(GTK_CONTAINER(window_), fixed_);
  g_signal_connect(fixed_, "draw", G_CALLBACK(OnDraw), this);
  g_signal_connect(fixed_, "button-press-event", G_CALLBACK(OnButtonPress), this);
  g_signal_connect(fixed_, "button-release-event", G_CALLBACK(OnButtonRelease), this);
  g_signal_connect(fixed_, "motion-notify-event", G_CALLBACK(OnMotion), this);
  g_signal_connect_after(fixed_, "map", G_CALLBACK(OnMapped), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
  g_signal_connect(window_, "window-state-event", G_CALLBACK(OnWindowState), this);
  gtk_widget_show(fixed_);
}

GtkFormWindow::~GtkFormWindow() {
  g_signal_handlers_disconnect_by_data(window_, this);
  g_signal_handlers_disconnect_by_data(fixed_, this);
  // Children first (they disconnect from their widgets), then the widgets themselves.
  children_.clear();
  gtk_widget_destroy(window_);
  g_object_unref(window_);
}

void GtkFormWindow::Show() {
  gtk_widget_show(window_);
  gtk_window_move(GTK_WINDOW(window_), TwipsToWholePixels(left_), TwipsToWholePixels(top_));
  gtk_window_deiconify(GTK_WINDOW(window_));
  gtk_window_present(GTK_WINDOW(window_));
}

void GtkFormWindow::Hide() { gtk_widget_hide(window_); }

void GtkFormWindow::Minimize() {
  if (!gtk_widget_get_visible(window_)) return;
  // A minimised window that is in no list could never be found again.
  ApplyTaskbarHint(true);
  gtk_window_iconify(GTK_WINDOW(window_));
}

void GtkFormWindow::ApplyTaskbarHint(bool listed) {
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window_), listed ? FALSE : TRUE);
  gtk_window_set_skip_pager_hint(GTK_WINDOW(window_), listed ? FALSE : TRUE);
}

gboolean GtkFormWindow::OnWindowState(GtkWidget* /*widget*/, GdkEventWindowState* event,
                                      gpointer self) {
  auto* window = static_cast<GtkFormWindow*>(self);
  // Back from the minimised state: the window leaves the lists its settings keep it out of.
  if ((event->changed_mask & GDK_WINDOW_STATE_ICONIFIED) &&
      !(event->new_window_state & GDK_WINDOW_STATE_ICONIFIED)) {
    window->ApplyTaskbarHint(window->settings_.show_in_taskbar);
  }
  return FALSE;
}

bool GtkFormWindow::Visible() const { return gtk_widget_get_visible(window_) != FALSE; }

void GtkFormWindow::Move(float left, float top) {
  left_ = left;
  top_ = top;
  gtk_window_move(GTK_WINDOW(window_), TwipsToWholePixels(left), TwipsToWholePixels(top));
}

void GtkFormWindow::CenterOnScreen() {
  GdkDisplay* display = gtk_widget_get_display(window_);
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  GdkRectangle area{0, 0, 0, 0};
  if (monitor != nullptr) gdk_monitor_get_geometry(monitor, &area);
  const int width = TwipsToSizePixels(settings_.client_width_twips);
  const int height = TwipsToSizePixels(settings_.client_height_twips);
  Move(PixelsToTwipsF(area.x + (area.width - width) / 2),
       PixelsToTwipsF(area.y + (area.height - height) / 2));
}

template <typename Child>
Child* GtkFormWindow::Keep(std::unique_ptr<Child> child) {
  Child* raw = child.get();
  children_.push_back(std::move(child));
  GtkWidget* frame = nullptr;
  // The newest child of the fixed is the frame just placed.
  GList* list = gtk_container_get_children(GTK_CONTAINER(fixed_));
  if (GList* last = g_list_last(list)) frame = GTK_WIDGET(last->data);
  g_list_free(list);
  if (frame != nullptr) frames_.push_back(frame);
  return raw;
}

Result<BrowserView*> GtkFormWindow::AddBrowserView(const ChildSettings& settings) {
  auto view = WebKitBrowserView::Create(GTK_FIXED(fixed_), settings, Restacker());
  if (!view) return Error{view.error()};
  BrowserView* raw = Keep(std::move(view).value());
  return raw;
}

TextBox* GtkFormWindow::AddTextBox(const ChildSettings& settings) {
  return Keep(std::make_unique<GtkTextBoxChild>(GTK_FIXED(fixed_), settings, Restacker()));
}

CheckBox* GtkFormWindow::AddCheckBox(const ChildSettings& settings) {
  return Keep(std::make_unique<GtkCheckBoxChild>(GTK_FIXED(fixed_), settings, Restacker()));
}

ClickableChild* GtkFormWindow::AddLabel(const ChildSettings& settings) {
  return Keep(std::make_unique<GtkPictureChild>(GTK_FIXED(fixed_), settings, Restacker()));
}

ClickableChild* GtkFormWindow::AddPicture(const ChildSettings& settings) {
  return Keep(std::make_unique<GtkPictureChild>(GTK_FIXED(fixed_), settings, Restacker()));
}

Result<ClickableChild*> GtkFormWindow::AddControl(const ChildSettings& settings,
                                                  const ControlFactory& make_control,
                                                  const PropertyStore& saved) {
  auto control = GtkControlChild::Create(desktop_, GTK_FIXED(fixed_), settings, make_control, saved,
                                         Restacker());
  if (!control) return Error{control.error()};
  ClickableChild* raw = Keep(std::move(control).value());
  return raw;
}

FormChild* GtkFormWindow::FindChild(const std::string& name) {
  for (const auto& child : children_) {
    if (child->Name() == name) return child.get();
  }
  return nullptr;
}

void GtkFormWindow::OnLayoutChanged() {
  UpdateOcclusion();
  Restack();
}

void GtkFormWindow::UpdateOcclusion() {
  for (std::size_t i = 0; i < children_.size(); ++i) {
    auto* control = dynamic_cast<GtkControlChild*>(children_[i].get());
    if (control == nullptr || !control->Visible()) continue;
    const TwipsRect extent = control->Extent();
    const int left = TwipsToWholePixels(extent.left);
    const int top = TwipsToWholePixels(extent.top);
    const int width = TwipsToSizePixels(extent.width);
    const int height = TwipsToSizePixels(extent.height);
    // One flag per pixel of the control, cleared where a visible child in front covers it.
    std::vector<unsigned char> uncovered(
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 1);
    for (std::size_t j = i + 1; j < children_.size(); ++j) {
      if (!children_[j]->Visible()) continue;
      const TwipsRect front = children_[j]->Extent();
      const int x0 = std::max(left, TwipsToWholePixels(front.left)) - left;
      const int y0 = std::max(top, TwipsToWholePixels(front.top)) - top;
      const int x1 =
          std::min(left + width, TwipsToWholePixels(front.left) + TwipsToSizePixels(front.width)) -
          left;
      const int y1 =
          std::min(top + height, TwipsToWholePixels(front.top) + TwipsToSizePixels(front.height)) -
          top;
      if (x1 <= x0) continue;
      for (int y = y0; y < y1; ++y) {
        std::fill_n(uncovered.begin() + static_cast<std::ptrdiff_t>(y) * width + x0,
                    std::max(0, x1 - x0), 0);
      }
    }
    control->SetOccluded(std::find(uncovered.begin(), uncovered.end(), 1) == uncovered.end());
  }
}

void GtkFormWindow::Restack() {
  for (GtkWidget* frame : frames_) {
    GdkWindow* window = gtk_widget_get_window(frame);
    if (window != nullptr && gtk_widget_get_has_window(frame) && gtk_widget_get_mapped(frame))
      gdk_window_raise(window);
  }
}

void GtkFormWindow::PopupMenu(MenuItem& menu, unsigned flags, std::optional<TwipsPoint> at) {
  PopupPlacement placement;  // at the pointer unless a point is given and the form is shown
  if (at && gtk_widget_get_mapped(fixed_)) {
    placement =
        PopupPlacement{gtk_widget_get_window(fixed_),
                       GdkPoint{TwipsToWholePixels(at->x), TwipsToWholePixels(at->y)}, flags};
  }
  // The form's menus are the shell's own; a failing item handler is logged, not passed on.
  glib::GuardCallback([&] { RunPopupMenu(desktop_, menu, placement, nullptr); });
}

gboolean GtkFormWindow::OnDraw(GtkWidget* /*widget*/, cairo_t* cr, gpointer self) {
  auto* form = static_cast<GtkFormWindow*>(self);
  SetSourceOleColor(cr, form->settings_.back_color);
  cairo_paint(cr);
  if (form->background_) {
    gdk_cairo_set_source_pixbuf(cr, form->background_.get(), 0, 0);
    cairo_paint(cr);
  }
  return FALSE;  // the children draw next
}

gboolean GtkFormWindow::OnButtonPress(GtkWidget* /*widget*/, GdkEventButton* event, gpointer self) {
  auto* form = static_cast<GtkFormWindow*>(self);
  if (event->type != GDK_BUTTON_PRESS) return TRUE;
  form->surface_pressed_ = true;
  if (form->on_mouse_down_) {
    glib::GuardCallback([&] {
      form->on_mouse_down_(ButtonFlag(event->button), ShiftFlagsOf(event->state),
                           PixelsToTwipsF(event->x), PixelsToTwipsF(event->y));
    });
  }
  return TRUE;
}

gboolean GtkFormWindow::OnButtonRelease(GtkWidget* /*widget*/, GdkEventButton* event,
                                        gpointer self) {
  auto* form = static_cast<GtkFormWindow*>(self);
  if (!form->surface_pressed_) return TRUE;
  form->surface_pressed_ = false;
  if (event->button == 1 && form->on_click_) glib::GuardCallback([&] { form->on_click_(); });
  return TRUE;
}

gboolean GtkFormWindow::OnMotion(GtkWidget* /*widget*/, GdkEventMotion* event, gpointer self) {
  auto* form = static_cast<GtkFormWindow*>(self);
  if (form->on_mouse_move_) {
    glib::GuardCallback([&] {
      form->on_mouse_move_(ButtonFlagsOf(event->state), ShiftFlagsOf(event->state),
                           PixelsToTwipsF(event->x), PixelsToTwipsF(event->y));
    });
  }
  return TRUE;
}

gboolean GtkFormWindow::OnDelete(GtkWidget* /*widget*/, GdkEvent* /*event*/, gpointer self) {
  auto* form = static_cast<GtkFormWindow*>(self);
  if (form->on_close_request_) glib::GuardCallback([&] { form->on_close_request_(); });
  return TRUE;  // the form decides; the window stays until then
}

void GtkFormWindow::OnMapped(GtkWidget* /*widget*/, gpointer self) {
  static_cast<GtkFormWindow*>(self)->Restack();
}

}  // namespace tovarin::platform::gtk
