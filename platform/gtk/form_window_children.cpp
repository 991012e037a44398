#include "platform/gtk/form_window_children.h"

#include <algorithm>
#include <cmath>

#include "platform/gtk/gtk_control_host.h"
#include "platform/raster/system_colors.h"
#include "platform/raster/units.h"

namespace tovarin::platform::gtk {

int TwipsToWholePixels(double twips) { return static_cast<int>(Nearest(twips / kTwipsPerPixel)); }

int TwipsToSizePixels(double twips) { return std::max(1, TwipsToWholePixels(twips)); }

void SetSourceOleColor(cairo_t* cr, std::uint32_t ole_color) {
  const ColorRef color = TranslateOleColor(ole_color).value_or(0);
  cairo_set_source_rgb(cr, RedOf(color) / 255.0, GreenOf(color) / 255.0, BlueOf(color) / 255.0);
}

GtkWidget* PlaceInFrame(GtkFixed* fixed, GtkWidget* child) {
  GtkWidget* frame = gtk_event_box_new();
  gtk_event_box_set_visible_window(GTK_EVENT_BOX(frame), TRUE);
  gtk_event_box_set_above_child(GTK_EVENT_BOX(frame), FALSE);
  gtk_container_add(GTK_CONTAINER(frame), child);
  gtk_fixed_put(fixed, frame, 0, 0);
  return frame;
}

ChildPlacement::ChildPlacement(GtkFixed* fixed, GtkWidget* frame, const ChildSettings& settings,
                               std::function<void()> restack)
    : fixed_(fixed), frame_(frame), name_(settings.name), restack_(std::move(restack)) {
  SetExtent(settings.extent);
  gtk_widget_show_all(frame_);
}

void ChildPlacement::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (visible) {
    gtk_widget_show(frame_);
  } else {
    gtk_widget_hide(frame_);
  }
  // Showing a child window raises it, and what it covers changes: the window puts every child
  // back in its place.
  if (restack_) restack_();
}

void ChildPlacement::SetExtent(const TwipsRect& extent) {
  if (extent == extent_ && placed_) return;  // the polling timer sets the same size again and again
  placed_ = true;
  extent_ = extent;
  gtk_fixed_move(fixed_, frame_, TwipsToWholePixels(extent.left), TwipsToWholePixels(extent.top));
  gtk_widget_set_size_request(frame_, TwipsToSizePixels(extent.width),
                              TwipsToSizePixels(extent.height));
  if (restack_) restack_();
}

// --- Pictures, labels, stand-ins

namespace {
GdkPixbuf* LoadPicture(const std::string& path) {
  if (path.empty()) return nullptr;
  return gdk_pixbuf_new_from_file(path.c_str(), nullptr);
}
}  // namespace

GtkPictureChild::GtkPictureChild(GtkFixed* fixed, const ChildSettings& settings,
                                 std::function<void()> restack)
    : settings_(settings),
      picture_(LoadPicture(settings.picture_path)),
      cursor_picture_(LoadPicture(settings.cursor_icon_path)),
      placement_(fixed, PlaceInFrame(fixed, gtk_drawing_area_new()), settings, std::move(restack)),
      area_(gtk_bin_get_child(GTK_BIN(placement_.Frame()))) {
  gtk_widget_add_events(area_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
  g_signal_connect(area_, "draw", G_CALLBACK(OnDraw), this);
  g_signal_connect(area_, "button-press-event", G_CALLBACK(OnPress), this);
  g_signal_connect(area_, "button-release-event", G_CALLBACK(OnRelease), this);
  g_signal_connect(area_, "realize", G_CALLBACK(OnRealize), this);
  gtk_widget_set_name(placement_.Frame(), settings.name.c_str());
  if (!settings.tool_tip.empty()) gtk_widget_set_tooltip_text(area_, settings.tool_tip.c_str());
}

GtkPictureChild::~GtkPictureChild() { g_signal_handlers_disconnect_by_data(area_, this); }

gboolean GtkPictureChild::OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self) {
  auto* child = static_cast<GtkPictureChild*>(self);
  SetSourceOleColor(cr, child->settings_.back_color);
  cairo_paint(cr);
  if (child->picture_) {
    gdk_cairo_set_source_pixbuf(cr, child->picture_.get(), 0, 0);
    cairo_paint(cr);
  }
  if (!child->settings_.caption.empty()) {
    PangoLayout* layout = gtk_widget_create_pango_layout(widget, child->settings_.caption.c_str());
    if (!child->settings_.font_name.empty()) {
      PangoFontDescription* font =
          pango_font_description_from_string(child->settings_.font_name.c_str());
      if (child->settings_.font_points > 0) {
        pango_font_description_set_size(
            font, static_cast<int>(std::lround(child->settings_.font_points * PANGO_SCALE)));
      }
      pango_layout_set_font_description(layout, font);
      pango_font_description_free(font);
    }
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    SetSourceOleColor(cr, child->settings_.fore_color);
    cairo_move_to(cr, (gtk_widget_get_allocated_width(widget) - width) / 2.0,
                  (gtk_widget_get_allocated_height(widget) - height) / 2.0);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
  }
  return TRUE;
}

gboolean GtkPictureChild::OnPress(GtkWidget* /*widget*/, GdkEventButton* event, gpointer self) {
  auto* child = static_cast<GtkPictureChild*>(self);
  if (event->type == GDK_BUTTON_PRESS && event->button == 1) child->pressed_ = true;
  return TRUE;  // a press on a child never reaches the form's surface
}

gboolean GtkPictureChild::OnRelease(GtkWidget* widget, GdkEventButton* event, gpointer self) {
  auto* child = static_cast<GtkPictureChild*>(self);
  if (event->button != 1 || !child->pressed_) return TRUE;
  child->pressed_ = false;
  const bool inside = event->x >= 0 && event->y >= 0 &&
                      event->x < gtk_widget_get_allocated_width(widget) &&
                      event->y < gtk_widget_get_allocated_height(widget);
  if (inside && child->on_click_) glib::GuardCallback([&] { child->on_click_(); });
  return TRUE;
}

void GtkPictureChild::OnRealize(GtkWidget* widget, gpointer self) {
  auto* child = static_cast<GtkPictureChild*>(self);
  if (!child->cursor_picture_) return;
  GdkCursor* cursor = gdk_cursor_new_from_pixbuf(gtk_widget_get_display(widget),
                                                 child->cursor_picture_.get(), 0, 0);
  gdk_window_set_cursor(gtk_widget_get_window(widget), cursor);
  g_object_unref(cursor);
}

// --- Check box

namespace {
constexpr const char* kBackColorKey = "tovarin-back-color";

// Paints a frame's back colour; the frame then draws its child over it.
gboolean DrawBackColor(GtkWidget* frame, cairo_t* cr, gpointer /*unused*/) {
  SetSourceOleColor(cr, GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(frame), kBackColorKey)));
  // Only the frame's own rectangle: the clip GTK hands a child window's draw may be wider.
  cairo_rectangle(cr, 0, 0, gtk_widget_get_allocated_width(frame),
                  gtk_widget_get_allocated_height(frame));
  cairo_fill(cr);
  return FALSE;
}
}  // namespace

// --- Text box

namespace {
// An entry is at least as tall as its font's line and its border, which for the box's font
// (14 pixels of AR PL UMing) is more than the box's 17 pixels. Like the classic text box, the
// box keeps its place and cuts off what does not fit: the entry sits in a scrolled window that
// never scrolls and shows no scroll bar or frame, so its frame may be smaller than the entry.
GtkWidget* ClipToPlace(GtkWidget* child) {
  GtkWidget* clip = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(clip), GTK_POLICY_EXTERNAL,
                                 GTK_POLICY_EXTERNAL);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(clip), GTK_SHADOW_NONE);
  gtk_container_add(GTK_CONTAINER(clip), child);  // wrapped in a viewport
  gtk_viewport_set_shadow_type(GTK_VIEWPORT(gtk_bin_get_child(GTK_BIN(clip))), GTK_SHADOW_NONE);
  return clip;
}
}  // namespace

GtkTextBoxChild::GtkTextBoxChild(GtkFixed* fixed, const ChildSettings& settings,
                                 std::function<void()> restack)
    : entry_(gtk_entry_new()),
      placement_(fixed, PlaceInFrame(fixed, ClipToPlace(entry_)), settings, std::move(restack)) {
  gtk_widget_set_name(entry_, settings.name.c_str());
  gtk_entry_set_text(GTK_ENTRY(entry_), settings.caption.c_str());
  gtk_entry_set_has_frame(GTK_ENTRY(entry_), FALSE);
  // The entry's natural width must not push the frame past its place.
  gtk_entry_set_width_chars(GTK_ENTRY(entry_), 1);
  if (!settings.font_name.empty()) {
    PangoFontDescription* font = pango_font_description_from_string(settings.font_name.c_str());
    if (settings.font_points > 0) {
      pango_font_description_set_size(
          font, static_cast<int>(std::lround(settings.font_points * PANGO_SCALE)));
    }
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_font_desc_new(font));
    gtk_entry_set_attributes(GTK_ENTRY(entry_), attributes);
    pango_attr_list_unref(attributes);
    pango_font_description_free(font);
  }
  g_signal_connect(entry_, "focus-in-event", G_CALLBACK(OnFocusIn), this);
  g_signal_connect(entry_, "key-press-event", G_CALLBACK(OnKeyPress), this);
}

std::string GtkTextBoxChild::Text() const { return gtk_entry_get_text(GTK_ENTRY(entry_)); }

void GtkTextBoxChild::SetText(const std::string& text) {
  gtk_entry_set_text(GTK_ENTRY(entry_), text.c_str());
}

void GtkTextBoxChild::Select(int start, int length) {
  gtk_editable_select_region(GTK_EDITABLE(entry_), start, start + length);
}

int GtkTextBoxChild::SelectionStart() const {
  int start = 0;
  int end = 0;
  if (!gtk_editable_get_selection_bounds(GTK_EDITABLE(entry_), &start, &end)) {
    return gtk_editable_get_position(GTK_EDITABLE(entry_));
  }
  return std::min(start, end);
}

int GtkTextBoxChild::SelectionLength() const {
  int start = 0;
  int end = 0;
  if (!gtk_editable_get_selection_bounds(GTK_EDITABLE(entry_), &start, &end)) return 0;
  return std::abs(end - start);
}

gboolean GtkTextBoxChild::OnFocusIn(GtkWidget* /*widget*/, GdkEventFocus* /*event*/,
                                    gpointer self) {
  auto* box = static_cast<GtkTextBoxChild*>(self);
  if (box->on_got_focus_) glib::GuardCallback([&] { box->on_got_focus_(); });
  return FALSE;
}

gboolean GtkTextBoxChild::OnKeyPress(GtkWidget* /*widget*/, GdkEventKey* event, gpointer self) {
  auto* box = static_cast<GtkTextBoxChild*>(self);
  int character = 0;
  if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter ||
      event->keyval == GDK_KEY_ISO_Enter) {
    character = 13;
  } else {
    character = static_cast<int>(gdk_keyval_to_unicode(event->keyval));
  }
  // Only keys that type a character of the 16-bit range raise the key press.
  if (character <= 0 || character > 0xFFFF || !box->on_key_press_) return FALSE;
  glib::GuardCallback([&] { box->on_key_press_(character); });
  // The handler may set the character to 0 to drop the key; otherwise the box handles it.
  return character == 0 ? TRUE : FALSE;
}

// --- Check box

GtkCheckBoxChild::GtkCheckBoxChild(GtkFixed* fixed, const ChildSettings& settings,
                                   std::function<void()> restack)
    : check_(gtk_check_button_new()),
      placement_(fixed, PlaceInFrame(fixed, check_), settings, std::move(restack)) {
  gtk_widget_set_name(check_, settings.name.c_str());
  // The box's whole rectangle shows its back colour, not only the tick square GTK draws. The
  // colour travels with the frame widget, so the handler never outlives what it reads.
  g_object_set_data(G_OBJECT(placement_.Frame()), kBackColorKey,
                    GUINT_TO_POINTER(settings.back_color));
  g_signal_connect(placement_.Frame(), "draw", G_CALLBACK(DrawBackColor), nullptr);
  if (!settings.tool_tip.empty()) gtk_widget_set_tooltip_text(check_, settings.tool_tip.c_str());
  // The box is only as wide as its tick square, so its caption would be cut off entirely; it
  // is kept as the widget's accessible name instead of being drawn.
  AtkObject* accessible = gtk_widget_get_accessible(check_);
  if (accessible != nullptr) atk_object_set_name(accessible, settings.caption.c_str());
  g_signal_connect(check_, "toggled", G_CALLBACK(OnToggled), this);
}

int GtkCheckBoxChild::Value() const {
  return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check_)) ? 1 : 0;
}

void GtkCheckBoxChild::SetValue(int value) {
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check_), value != 0 ? TRUE : FALSE);
}

void GtkCheckBoxChild::OnToggled(GtkToggleButton* /*button*/, gpointer self) {
  auto* box = static_cast<GtkCheckBoxChild*>(self);
  if (box->on_click_) glib::GuardCallback([&] { box->on_click_(); });
}

// --- Controls

GtkControlChild::GtkControlChild(GtkFixed* fixed, const ChildSettings& settings,
                                 std::function<void()> layout_changed)
    : fixed_(fixed),
      name_(settings.name),
      extent_(settings.extent),
      layout_changed_(std::move(layout_changed)) {}

Result<std::unique_ptr<GtkControlChild>> GtkControlChild::Create(
    GtkDesktop& desktop, GtkFixed* fixed, const ChildSettings& settings,
    const ControlFactory& make_control, const PropertyStore& saved,
    std::function<void()> layout_changed) {
  std::unique_ptr<GtkControlChild> child(
      new GtkControlChild(fixed, settings, std::move(layout_changed)));
  GtkHostOptions options;
  options.name = settings.name;
  options.rect = Rect::FromXYWH(
      TwipsToWholePixels(settings.extent.left), TwipsToWholePixels(settings.extent.top),
      TwipsToSizePixels(settings.extent.width), TwipsToSizePixels(settings.extent.height));
  options.user_mode = true;
  options.tooltip_text = settings.tool_tip;
  child->host_ = std::make_unique<GtkControlHost>(desktop, fixed, options);
  child->control_ = make_control(*child->host_);
  if (!child->control_) return Error{"the control " + settings.name + " cannot be made"};
  child->host_->Attach(*child->control_);
  child->control_->OnInitialize();
  if (Status restored = child->control_->OnReadProperties(saved); !restored) {
    return Error{"the control " + settings.name + " cannot read its settings: " + restored.error()};
  }
  gtk_widget_show(child->host_->Widget());
  return child;
}

GtkControlChild::~GtkControlChild() {
  if (control_) {
    control_->OnTerminate();
    host_->Detach();
    control_.reset();
  }
  host_.reset();
}

GtkWidget* GtkControlChild::Widget() const { return host_->Widget(); }

void GtkControlChild::ShowOrHide() {
  // Showing and hiding the widget delivers OnShow and OnHide: a covered animation pauses.
  if (visible_ && !occluded_) {
    gtk_widget_show(host_->Widget());
  } else {
    gtk_widget_hide(host_->Widget());
  }
}

void GtkControlChild::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  ShowOrHide();
  if (layout_changed_) layout_changed_();
}

void GtkControlChild::SetOccluded(bool occluded) {
  if (occluded == occluded_) return;
  occluded_ = occluded;
  ShowOrHide();
}

void GtkControlChild::SetExtent(const TwipsRect& extent) {
  if (extent == extent_) return;
  extent_ = extent;
  gtk_fixed_move(fixed_, host_->Widget(), TwipsToWholePixels(extent.left),
                 TwipsToWholePixels(extent.top));
  host_->ResizeTwips(extent.width, extent.height);
  if (layout_changed_) layout_changed_();
}

void GtkControlChild::SetOnClick(std::function<void()> on_click) {
  host_->SetEventHandler("Click", [on_click = std::move(on_click)](EventArgs&) {
    if (on_click) on_click();
  });
}

}  // namespace tovarin::platform::gtk
