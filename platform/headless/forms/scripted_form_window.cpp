#include "platform/headless/forms/scripted_form_window.h"

#include <algorithm>

#include "platform/headless/forms/scripted_form_toolkit.h"

namespace tovarin::platform::headless {

namespace {

// Appends the UTF-8 form of `code_point`.
void AppendUtf8(std::string& out, int code_point) {
  const auto cp = static_cast<unsigned>(code_point);
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Byte offset of character `index` in `utf8` (the end when past it).
std::size_t ByteOffset(const std::string& utf8, int index) {
  int seen = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) continue;
    if (seen == index) return i;
    ++seen;
  }
  return utf8.size();
}

int CharacterCount(const std::string& utf8) {
  return static_cast<int>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// Whether `item` may be chosen in `root`'s tree: present, visible and enabled with visible and
// enabled ancestors, and not a separator.
bool Choosable(const MenuItem& root, const MenuItem* item, bool is_root = true) {
  if (!is_root && (!root.visible || !root.enabled)) return false;
  for (const auto& child : root.children) {
    if (child.get() == item) return child->visible && child->enabled && !child->IsSeparator();
    if (Choosable(*child, item, false)) return true;
  }
  return false;
}

}  // namespace

ScriptedTextBox::ScriptedTextBox(ChildSettings settings)
    : settings_(std::move(settings)), extent_(settings_.extent), text_(settings_.caption) {}

void ScriptedTextBox::SetText(const std::string& text) {
  text_ = text;
  selection_start_ = 0;
  selection_length_ = 0;
}

void ScriptedTextBox::Select(int start, int length) {
  const int count = CharacterCount(text_);
  selection_start_ = std::clamp(start, 0, count);
  selection_length_ = std::clamp(length, 0, count - selection_start_);
}

void ScriptedTextBox::Focus() {
  if (on_got_focus_) on_got_focus_();
}

void ScriptedTextBox::Type(int character) {
  ++key_presses_;
  int key = character;
  if (on_key_press_) on_key_press_(key);
  if (key < 32) return;
  const std::size_t from = ByteOffset(text_, selection_start_);
  const std::size_t to = ByteOffset(text_, selection_start_ + selection_length_);
  std::string typed;
  AppendUtf8(typed, key);
  text_.replace(from, to - from, typed);
  selection_start_ += 1;
  selection_length_ = 0;
}

void ScriptedTextBox::TypeText(const std::string& utf8) {
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    int code_point = length == 1   ? lead
                     : length == 2 ? lead & 0x1F
                     : length == 3 ? lead & 0x0F
                                   : lead & 0x07;
    for (int k = 1; k < length && i + k < utf8.size(); ++k) {
      code_point = (code_point << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    Type(code_point);
    i += static_cast<std::size_t>(length);
  }
}

void ScriptedCheckBox::SetValue(int value) {
  if (value == value_) return;
  value_ = value;
  ++click_events_;
  if (on_click_) on_click_();
}

ScriptedFormWindow::ScriptedFormWindow(ScriptedFormToolkit& toolkit, FormWindowSettings settings)
    : toolkit_(toolkit), settings_(std::move(settings)) {}

ScriptedFormWindow::~ScriptedFormWindow() { toolkit_.Forget(this); }

void ScriptedFormWindow::Move(float left, float top) {
  left_ = left;
  top_ = top;
  ++moves_;
}

void ScriptedFormWindow::CenterOnScreen() {
  // Whole pixels, like a real window: the centred corner is rounded down to a pixel.
  left_ = static_cast<float>((kScreenWidthTwips - settings_.client_width_twips) / 2 / 15 * 15);
  top_ = static_cast<float>((kScreenHeightTwips - settings_.client_height_twips) / 2 / 15 * 15);
}

template <typename Child>
Child* ScriptedFormWindow::Keep(std::unique_ptr<Child> child) {
  Child* raw = child.get();
  order_.push_back(raw);
  children_.push_back(std::move(child));
  return raw;
}

Result<BrowserView*> ScriptedFormWindow::AddBrowserView(const ChildSettings& settings) {
  if (toolkit_.BrowserViewsFail()) return Error{"no browser component"};
  BrowserView* view = Keep(std::make_unique<ScriptedBrowserView>(settings.name, settings.extent));
  return view;
}

TextBox* ScriptedFormWindow::AddTextBox(const ChildSettings& settings) {
  return Keep(std::make_unique<ScriptedTextBox>(settings));
}

CheckBox* ScriptedFormWindow::AddCheckBox(const ChildSettings& settings) {
  return Keep(std::make_unique<ScriptedCheckBox>(settings));
}

ClickableChild* ScriptedFormWindow::AddLabel(const ChildSettings& settings) {
  return Keep(std::make_unique<ScriptedChild>(ScriptedChildKind::kLabel, settings));
}

ClickableChild* ScriptedFormWindow::AddPicture(const ChildSettings& settings) {
  return Keep(std::make_unique<ScriptedChild>(ScriptedChildKind::kPicture, settings));
}

Result<ClickableChild*> ScriptedFormWindow::AddControl(const ChildSettings& settings,
                                                       const ControlFactory& /*make_control*/,
                                                       const PropertyStore& saved) {
  // The control itself is not made: the shell's tests look at where it goes and what it is
  // given; the controls have tests of their own.
  auto child = std::make_unique<ScriptedChild>(ScriptedChildKind::kControl, settings);
  child->SetSaved(saved);
  ClickableChild* made = Keep(std::move(child));
  return made;
}

FormChild* ScriptedFormWindow::FindChild(const std::string& name) {
  for (FormChild* child : order_) {
    if (child->Name() == name) return child;
  }
  return nullptr;
}

ScriptedChild* ScriptedFormWindow::Clickable(const std::string& name) {
  return dynamic_cast<ScriptedChild*>(FindChild(name));
}
ScriptedTextBox* ScriptedFormWindow::TextBoxNamed(const std::string& name) {
  return dynamic_cast<ScriptedTextBox*>(FindChild(name));
}
ScriptedCheckBox* ScriptedFormWindow::CheckBoxNamed(const std::string& name) {
  return dynamic_cast<ScriptedCheckBox*>(FindChild(name));
}
ScriptedBrowserView* ScriptedFormWindow::BrowserViewNamed(const std::string& name) {
  return dynamic_cast<ScriptedBrowserView*>(FindChild(name));
}

void ScriptedFormWindow::PressMouse(int button, int shift, float x, float y) {
  if (on_mouse_down_) on_mouse_down_(button, shift, x, y);
}

void ScriptedFormWindow::MoveMouse(int button, int shift, float x, float y) {
  if (on_mouse_move_) on_mouse_move_(button, shift, x, y);
}

void ScriptedFormWindow::ClickSurface() {
  if (on_click_) on_click_();
}

void ScriptedFormWindow::RequestClose() {
  if (on_close_request_) on_close_request_();
}

void ScriptedFormWindow::PopupMenu(MenuItem& menu, unsigned flags, std::optional<TwipsPoint> at) {
  ScriptedPopup popup;
  popup.menu_name = menu.name;
  popup.flags = flags;
  popup.at = at;
  for (const auto& child : menu.children) {
    if (child->visible) popup.shown_items.push_back(child->name);
  }
  MenuItem* chosen = nullptr;
  if (std::optional<std::string> choice = toolkit_.TakeMenuChoice()) {
    MenuItem* item = menu.Find(*choice);
    if (item != nullptr && item != &menu && Choosable(menu, item)) chosen = item;
  }
  if (chosen != nullptr) popup.chosen = chosen->name;
  // Recorded before the handler runs: the handler may pop up another menu or unload the form.
  popups_.push_back(popup);
  if (chosen != nullptr && chosen->on_click) {
    auto handler = chosen->on_click;  // the handler may change the menu tree
    handler();
  }
}

}  // namespace tovarin::platform::headless
