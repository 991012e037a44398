#pragma once
// The GTK children of a form window: pictures and control stand-ins (drawn by the program),
// labels drawn on the surface, the text box and the check box. Every child sits in its own
// GtkEventBox with a visible window inside the form's GtkFixed, so its stacking among the
// other children follows the order the children were made in (GtkFormWindow::Restack).

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"
#include "platform/host/form_child.h"
#include "platform/host/form_window.h"
#include "platform/store/property_store.h"

namespace tovarin::platform::gtk {

// Twips to whole pixels (Nearest), and pixels to twips.
int TwipsToWholePixels(double twips);
// Sizes are never below one pixel: a child of 1 twip is one pixel wide.
int TwipsToSizePixels(double twips);

// Geometry and visibility of one child in the form's GtkFixed.
class ChildPlacement {
 public:
  // `frame` is the child's outer widget (owned by `fixed` once placed).
  ChildPlacement(GtkFixed* fixed, GtkWidget* frame, const ChildSettings& settings,
                 std::function<void()> restack);
  const std::string& Name() const { return name_; }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  TwipsRect Extent() const { return extent_; }
  void SetExtent(const TwipsRect& extent);
  GtkWidget* Frame() const { return frame_; }

 private:
  GtkFixed* fixed_;
  GtkWidget* frame_;
  std::string name_;
  TwipsRect extent_;
  bool visible_ = true;
  bool placed_ = false;
  // Called after every change of visibility or extent (the window restacks its children).
  std::function<void()> restack_;
};

// A picture box, a label, or the stand-in of a control: a drawing area that paints its back
// colour, its picture from the top-left corner (cut at its edges) and its caption, and raises
// a click on a left-button press and release inside it.
class GtkPictureChild final : public ClickableChild {
 public:
  GtkPictureChild(GtkFixed* fixed, const ChildSettings& settings, std::function<void()> restack);
  ~GtkPictureChild() override;
  const std::string& Name() const override { return placement_.Name(); }
  bool Visible() const override { return placement_.Visible(); }
  void SetVisible(bool visible) override { placement_.SetVisible(visible); }
  TwipsRect Extent() const override { return placement_.Extent(); }
  void SetExtent(const TwipsRect& extent) override { placement_.SetExtent(extent); }
  void SetOnClick(std::function<void()> on_click) override { on_click_ = std::move(on_click); }

 private:
  static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean OnPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnRelease(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static void OnRealize(GtkWidget* widget, gpointer self);

  ChildSettings settings_;
  glib::GObjectPtr<GdkPixbuf> picture_;
  glib::GObjectPtr<GdkPixbuf> cursor_picture_;
  ChildPlacement placement_;
  GtkWidget* area_;
  bool pressed_ = false;
  std::function<void()> on_click_;
};

class GtkTextBoxChild final : public TextBox {
 public:
  GtkTextBoxChild(GtkFixed* fixed, const ChildSettings& settings, std::function<void()> restack);
  const std::string& Name() const override { return placement_.Name(); }
  bool Visible() const override { return placement_.Visible(); }
  void SetVisible(bool visible) override { placement_.SetVisible(visible); }
  TwipsRect Extent() const override { return placement_.Extent(); }
  void SetExtent(const TwipsRect& extent) override { placement_.SetExtent(extent); }
  std::string Text() const override;
  void SetText(const std::string& text) override;
  void Select(int start, int length) override;
  int SelectionStart() const override;
  int SelectionLength() const override;
  void SetOnGotFocus(std::function<void()> handler) override { on_got_focus_ = std::move(handler); }
  void SetOnKeyPress(std::function<void(int&)> handler) override {
    on_key_press_ = std::move(handler);
  }

 private:
  static gboolean OnFocusIn(GtkWidget* widget, GdkEventFocus* event, gpointer self);
  static gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);

  GtkWidget* entry_;
  ChildPlacement placement_;
  std::function<void()> on_got_focus_;
  std::function<void(int&)> on_key_press_;
};

class GtkCheckBoxChild final : public CheckBox {
 public:
  GtkCheckBoxChild(GtkFixed* fixed, const ChildSettings& settings, std::function<void()> restack);
  const std::string& Name() const override { return placement_.Name(); }
  bool Visible() const override { return placement_.Visible(); }
  void SetVisible(bool visible) override { placement_.SetVisible(visible); }
  TwipsRect Extent() const override { return placement_.Extent(); }
  void SetExtent(const TwipsRect& extent) override { placement_.SetExtent(extent); }
  int Value() const override;
  void SetValue(int value) override;
  void SetOnClick(std::function<void()> handler) override { on_click_ = std::move(handler); }

 private:
  static void OnToggled(GtkToggleButton* button, gpointer self);

  GtkWidget* check_;
  ChildPlacement placement_;
  std::function<void()> on_click_;
};

class GtkDesktop;
class GtkControlHost;

// A control (ucAniGIF, teskbutton) in a GtkControlHost of its own, placed in the form's fixed.
// The child owns both; it destroys the control before its host.
class GtkControlChild final : public ClickableChild {
 public:
  // Makes the host and the control and restores the control from `saved`.
  static Result<std::unique_ptr<GtkControlChild>> Create(GtkDesktop& desktop, GtkFixed* fixed,
                                                         const ChildSettings& settings,
                                                         const ControlFactory& make_control,
                                                         const PropertyStore& saved,
                                                         std::function<void()> layout_changed);
  ~GtkControlChild() override;
  const std::string& Name() const override { return name_; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override;
  TwipsRect Extent() const override { return extent_; }
  void SetExtent(const TwipsRect& extent) override;
  void SetOnClick(std::function<void()> on_click) override;
  GtkWidget* Widget() const;
  // A control wholly covered by children in front of it is not shown (its widget is hidden,
  // so an animation pauses), whatever its own visibility says.
  void SetOccluded(bool occluded);

 private:
  GtkControlChild(GtkFixed* fixed, const ChildSettings& settings,
                  std::function<void()> layout_changed);
  void ShowOrHide();
  GtkFixed* fixed_;
  std::string name_;
  TwipsRect extent_;
  bool visible_ = true;
  bool occluded_ = false;
  std::function<void()> layout_changed_;
  std::unique_ptr<GtkControlHost> host_;
  std::unique_ptr<Control> control_;
};

// Wraps `child` in a GtkEventBox with a window of its own, sized to `settings`, and puts it
// into `fixed` in front of the children already there. Returns the event box.
GtkWidget* PlaceInFrame(GtkFixed* fixed, GtkWidget* child);

// An OLE colour (system colours translated) as a cairo source colour.
void SetSourceOleColor(cairo_t* cr, std::uint32_t ole_color);

}  // namespace tovarin::platform::gtk
