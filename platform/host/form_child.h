#pragma once
// The plain child controls a form holds, as the shell's logic sees them. A toolkit (the GTK
// one for the program, the scripted one for tests) implements them; the form window that
// created a child owns it and keeps it alive as long as the window.
//
// Units: positions and sizes in twips (1/1440 inch, 15 twips per pixel at 96 dpi), relative
// to the form's client area. A toolkit converts them to whole pixels with Nearest() and never
// makes a child smaller than one pixel.
//
// Events are plain callbacks, called on the one GUI thread; a child whose callback is empty
// ignores the event. A callback may hide children or pop up menus, but it must not destroy the
// window that raised it (forms defer their destruction to the message loop).

#include <cstdint>
#include <functional>
#include <string>

namespace tovarin::platform {

// A rectangle in twips: left and top edge, width and height.
struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

// What a form is given when it creates a child: its name, place and look. Colours are OLE
// colour values (0x80000000 + n names system colour n).
struct ChildSettings {
  std::string name;
  TwipsRect extent;
  std::string caption;
  std::string tool_tip;
  std::string picture_path;      // drawn from the top-left corner, cut at the child's edges
  std::string cursor_icon_path;  // the pointer over the child; empty for the default arrow
  std::uint32_t fore_color = 0x80000008;  // window text
  std::uint32_t back_color = 0x80000005;  // window background
  std::string font_name;                  // empty for the window's default font
  double font_points = 0;                 // 0 for the default size
};

class FormChild {
 public:
  virtual ~FormChild() = default;
  virtual const std::string& Name() const = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual TwipsRect Extent() const = 0;
  // Moves and resizes the child; the stacking order does not change.
  virtual void SetExtent(const TwipsRect& extent) = 0;
};

// A child that raises a click (a label, a stand-in for a control, a picture).
class ClickableChild : public FormChild {
 public:
  virtual void SetOnClick(std::function<void()> on_click) = 0;
};

// A single-line text box. Texts are UTF-8; selection start and length count characters.
class TextBox : public FormChild {
 public:
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual void Select(int start, int length) = 0;
  virtual int SelectionStart() const = 0;
  virtual int SelectionLength() const = 0;
  virtual void SetOnGotFocus(std::function<void()> on_got_focus) = 0;
  // Called for each typed character with its character code (13 for Enter) before the box
  // processes the key; the box then processes it in its usual way.
  virtual void SetOnKeyPress(std::function<void(int& key_ascii)> on_key_press) = 0;
};

// A check box whose value is 0 (unticked) or 1 (ticked). Clicking it toggles the value;
// changing the value, by the user or through SetValue, raises the click event.
class CheckBox : public FormChild {
 public:
  virtual int Value() const = 0;
  virtual void SetValue(int value) = 0;
  virtual void SetOnClick(std::function<void()> on_click) = 0;
};

}  // namespace tovarin::platform
