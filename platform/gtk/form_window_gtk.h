#pragma once
// GtkFormWindow: a top-level GTK window holding a GtkFixed with the form's children at their
// twip positions (converted to whole pixels). The fixed has a window of its own: it paints the
// background colour and picture and raises the surface events; each child sits in a frame
// window of its own in front of it, stacked in the order the children were made.

#include <gtk/gtk.h>

#include <memory>
#include <vector>

#include "platform/glib/callback_guard.h"
#include "platform/glib/glib_holders.h"
#include "platform/host/form_window.h"

namespace tovarin::platform::gtk {

class GtkDesktop;

class GtkFormWindow final : public FormWindow {
 public:
  // `desktop` serves the hosts of the window's controls; it outlives the window.
  GtkFormWindow(GtkDesktop& desktop, const FormWindowSettings& settings);
  ~GtkFormWindow() override;
  GtkFormWindow(const GtkFormWindow&) = delete;
  GtkFormWindow& operator=(const GtkFormWindow&) = delete;

  const std::string& Caption() const override { return settings_.caption; }
  void Show() override;
  void Hide() override;
  void Minimize() override;
  bool Visible() const override;
  float Left() const override { return left_; }
  float Top() const override { return top_; }
  void Move(float left, float top) override;
  void CenterOnScreen() override;
  int ClientWidthTwips() const override { return settings_.client_width_twips; }
  int ClientHeightTwips() const override { return settings_.client_height_twips; }

  Result<BrowserView*> AddBrowserView(const ChildSettings& settings) override;
  TextBox* AddTextBox(const ChildSettings& settings) override;
  CheckBox* AddCheckBox(const ChildSettings& settings) override;
  ClickableChild* AddLabel(const ChildSettings& settings) override;
  ClickableChild* AddPicture(const ChildSettings& settings) override;
  Result<ClickableChild*> AddControl(const ChildSettings& settings,
                                     const ControlFactory& make_control,
                                     const PropertyStore& saved) override;
  FormChild* FindChild(const std::string& name) override;

  void SetOnMouseDown(std::function<void(int, int, float, float)> handler) override {
    on_mouse_down_ = std::move(handler);
  }
  void SetOnMouseMove(std::function<void(int, int, float, float)> handler) override {
    on_mouse_move_ = std::move(handler);
  }
  void SetOnClick(std::function<void()> handler) override { on_click_ = std::move(handler); }
  void SetOnCloseRequest(std::function<void()> handler) override {
    on_close_request_ = std::move(handler);
  }
  void PopupMenu(MenuItem& menu, unsigned flags, std::optional<TwipsPoint> at) override;

  GtkWidget* Widget() const { return window_; }

 private:
  template <typename Child>
  Child* Keep(std::unique_ptr<Child> child);
  // After a child's visibility or extent changed: hides controls wholly covered by children
  // in front of them (UpdateOcclusion) and puts every child's window back in creation order,
  // back to front (Restack).
  void OnLayoutChanged();
  void UpdateOcclusion();
  void Restack();
  std::function<void()> Restacker() {
    return [this] { OnLayoutChanged(); };
  }

  static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnButtonRelease(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self);
  static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
  static void OnMapped(GtkWidget* widget, gpointer self);
  static gboolean OnWindowState(GtkWidget* widget, GdkEventWindowState* event, gpointer self);
  // Keeps the window out of the task bar and pager, or not, as its settings ask.
  void ApplyTaskbarHint(bool listed);

  GtkDesktop& desktop_;
  FormWindowSettings settings_;
  GtkWidget* window_;
  GtkWidget* fixed_;
  glib::GObjectPtr<GdkPixbuf> background_;
  std::vector<std::unique_ptr<FormChild>> children_;
  std::vector<GtkWidget*> frames_;  // the children's frames, back to front
  // The window's place as last set by the form (twips, fractions of a pixel kept). Nothing
  // else moves a borderless window here, so this is where it is.
  float left_ = 0;
  float top_ = 0;
  bool surface_pressed_ = false;
  std::function<void(int, int, float, float)> on_mouse_down_;
  std::function<void(int, int, float, float)> on_mouse_move_;
  std::function<void()> on_click_;
  std::function<void()> on_close_request_;
};

}  // namespace tovarin::platform::gtk
