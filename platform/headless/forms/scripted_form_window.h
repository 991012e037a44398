#pragma once
// ScriptedFormWindow: a form window for tests. It shows nothing; it keeps its children with
// their settings, visibility and extents in stacking order, and lets a test act as the user:
// press and move the mouse on the surface, click children, type into text boxes, and choose
// items of the menus the form pops up (ScriptedFormToolkit::QueueMenuChoice).
//
// Screen: the window lies on a screen of kScreenWidthTwips x kScreenHeightTwips.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/forms/scripted_browser_view.h"
#include "platform/host/form_window.h"

namespace tovarin::platform::headless {

class ScriptedFormToolkit;

inline constexpr int kScreenWidthTwips = 1280 * 15;
inline constexpr int kScreenHeightTwips = 1024 * 15;

enum class ScriptedChildKind { kBrowserView, kTextBox, kCheckBox, kLabel, kPicture, kControl };

// A child of a scripted window: settings as given, visibility and extent as set since.
class ScriptedChild : public ClickableChild {
 public:
  ScriptedChild(ScriptedChildKind kind, ChildSettings settings)
      : kind_(kind), settings_(std::move(settings)), extent_(settings_.extent) {}
  const std::string& Name() const override { return settings_.name; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  TwipsRect Extent() const override { return extent_; }
  void SetExtent(const TwipsRect& extent) override { extent_ = extent; }
  void SetOnClick(std::function<void()> on_click) override { on_click_ = std::move(on_click); }

  ScriptedChildKind Kind() const { return kind_; }
  const ChildSettings& Settings() const { return settings_; }
  // For a control: the saved settings it was given (the scripted window makes no control).
  const PropertyStore& Saved() const { return saved_; }
  void SetSaved(PropertyStore saved) { saved_ = std::move(saved); }
  // The user clicks the child.
  virtual void Click() {
    if (on_click_) on_click_();
  }

 protected:
  std::function<void()> on_click_;

 private:
  ScriptedChildKind kind_;
  ChildSettings settings_;
  TwipsRect extent_;
  bool visible_ = true;
  PropertyStore saved_;
};

class ScriptedTextBox final : public TextBox {
 public:
  explicit ScriptedTextBox(ChildSettings settings);
  const std::string& Name() const override { return settings_.name; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  TwipsRect Extent() const override { return extent_; }
  void SetExtent(const TwipsRect& extent) override { extent_ = extent; }
  std::string Text() const override { return text_; }
  void SetText(const std::string& text) override;
  void Select(int start, int length) override;
  int SelectionStart() const override { return selection_start_; }
  int SelectionLength() const override { return selection_length_; }
  void SetOnGotFocus(std::function<void()> handler) override { on_got_focus_ = std::move(handler); }
  void SetOnKeyPress(std::function<void(int&)> handler) override {
    on_key_press_ = std::move(handler);
  }

  // The user moves the focus into the box.
  void Focus();
  // The user types one character (Unicode code point; 13 is Enter). The key-press handler runs
  // first; a printable character (code 32 or more, unless the handler set it to 0) then
  // replaces the selection. Enter and other control characters change no text.
  void Type(int character);
  // Types every character of a UTF-8 text.
  void TypeText(const std::string& utf8);
  int KeyPressCount() const { return key_presses_; }

 private:
  ChildSettings settings_;
  TwipsRect extent_;
  bool visible_ = true;
  std::string text_;
  int selection_start_ = 0;
  int selection_length_ = 0;
  int key_presses_ = 0;
  std::function<void()> on_got_focus_;
  std::function<void(int&)> on_key_press_;
};

class ScriptedCheckBox final : public CheckBox {
 public:
  explicit ScriptedCheckBox(ChildSettings settings)
      : settings_(std::move(settings)), extent_(settings_.extent) {}
  const std::string& Name() const override { return settings_.name; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  TwipsRect Extent() const override { return extent_; }
  void SetExtent(const TwipsRect& extent) override { extent_ = extent; }
  int Value() const override { return value_; }
  void SetValue(int value) override;
  void SetOnClick(std::function<void()> handler) override { on_click_ = std::move(handler); }
  // The user clicks the box: the value toggles and the click event follows.
  void Click() { SetValue(value_ == 0 ? 1 : 0); }
  int ClickEvents() const { return click_events_; }

 private:
  ChildSettings settings_;
  TwipsRect extent_;
  bool visible_ = true;
  int value_ = 0;
  int click_events_ = 0;
  std::function<void()> on_click_;
};

// One pop-up call as the window received it.
struct ScriptedPopup {
  std::string menu_name;
  unsigned flags = 0;
  std::optional<TwipsPoint> at;
  std::vector<std::string> shown_items;  // names of the visible top-level items, in order
  std::string chosen;                    // the item whose handler ran; empty when none
};

class ScriptedFormWindow final : public FormWindow {
 public:
  ScriptedFormWindow(ScriptedFormToolkit& toolkit, FormWindowSettings settings);
  ~ScriptedFormWindow() override;

  const std::string& Caption() const override { return settings_.caption; }
  void Show() override {
    visible_ = true;
    minimized_ = false;
  }
  void Hide() override { visible_ = false; }
  // Recorded; a minimised window stays visible (it is in the window list).
  void Minimize() override { minimized_ = visible_; }
  bool Minimized() const { return minimized_; }
  bool Visible() const override { return visible_; }
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

  // --- For tests
  const FormWindowSettings& Settings() const { return settings_; }
  // Children in stacking order, back to front.
  const std::vector<FormChild*>& StackingOrder() const { return order_; }
  ScriptedChild* Clickable(const std::string& name);
  ScriptedTextBox* TextBoxNamed(const std::string& name);
  ScriptedCheckBox* CheckBoxNamed(const std::string& name);
  ScriptedBrowserView* BrowserViewNamed(const std::string& name);
  void PressMouse(int button, int shift, float x, float y);
  void MoveMouse(int button, int shift, float x, float y);
  void ClickSurface();
  void RequestClose();
  const std::vector<ScriptedPopup>& Popups() const { return popups_; }
  int MoveCount() const { return moves_; }

 private:
  template <typename Child>
  Child* Keep(std::unique_ptr<Child> child);

  ScriptedFormToolkit& toolkit_;
  FormWindowSettings settings_;
  bool visible_ = false;
  bool minimized_ = false;
  float left_ = 0;
  float top_ = 0;
  int moves_ = 0;
  std::vector<std::unique_ptr<FormChild>> children_;
  std::vector<FormChild*> order_;
  std::vector<ScriptedPopup> popups_;
  std::function<void(int, int, float, float)> on_mouse_down_;
  std::function<void(int, int, float, float)> on_mouse_move_;
  std::function<void()> on_click_;
  std::function<void()> on_close_request_;
};

}  // namespace tovarin::platform::headless
