#include "platform/headless/controls/headless_form.h"

#include <algorithm>
#include <cctype>

namespace tovarin::platform::headless {

HeadlessForm::HeadlessForm(HeadlessDesktop& desktop, FormOptions options)
    : desktop_(desktop), options_(std::move(options)) {
  window_ = desktop_.Windows().Create(options_.name, 0, options_.rect);
}

HeadlessForm::~HeadlessForm() {
  focused_ = nullptr;
  default_button_ = nullptr;
  cancel_button_ = nullptr;
  hosts_.clear();
  desktop_.Windows().Destroy(window_);
}

WindowHandle HeadlessForm::AddContainer(const std::string& name, Rect rect_in_form) {
  return desktop_.Windows().Create(name, window_, rect_in_form);
}

HeadlessHost& HeadlessForm::AddHost(HostOptions options) {
  hosts_.push_back(std::make_unique<HeadlessHost>(*this, std::move(options)));
  return *hosts_.back();
}

std::vector<HeadlessHost*> HeadlessForm::Hosts() const {
  std::vector<HeadlessHost*> hosts;
  for (const auto& host : hosts_) hosts.push_back(host.get());
  return hosts;
}

HeadlessHost* HeadlessForm::Find(std::string_view name) const {
  for (const auto& host : hosts_) {
    if (host->DisplayName() == name) return host.get();
  }
  return nullptr;
}

HeadlessHost* HeadlessForm::HostOfWindow(WindowHandle window) const {
  if (window == 0) return nullptr;
  for (const auto& host : hosts_) {
    if (host->ControlWindow() == window) return host.get();
  }
  return nullptr;
}

void HeadlessForm::HostDestroyed(HeadlessHost* host) {
  if (focused_ == host) focused_ = nullptr;
  if (default_button_ == host) default_button_ = nullptr;
  if (cancel_button_ == host) cancel_button_ = nullptr;
}

bool HeadlessForm::CanFocus(const HeadlessHost* host) const {
  return host != nullptr && host->Enabled() && desktop_.Windows().IsVisible(host->ControlWindow());
}

void HeadlessForm::Focus(HeadlessHost* host) {
  if (host == focused_ || (host != nullptr && !CanFocus(host))) return;
  HeadlessHost* previous = focused_;
  focused_ = host;
  if (previous != nullptr) {
    previous->journal_.push_back("focus:lost");
    if (previous->control_) previous->control_->OnLostFocus();
  }
  if (host != nullptr && focused_ == host) {
    host->journal_.push_back("focus:got");
    if (host->control_) host->control_->OnGotFocus();
  }
  UpdateDisplayAsDefault();
}

void HeadlessForm::Tab(bool forward) {
  std::vector<HeadlessHost*> order;
  for (const auto& host : hosts_) {
    if (host.get() == focused_ || (host->Options().tab_stop && CanFocus(host.get())))
      order.push_back(host.get());
  }
  if (order.empty()) return;
  const auto it = std::find(order.begin(), order.end(), focused_);
  std::size_t index = 0;
  if (it == order.end()) {
    index = forward ? 0 : order.size() - 1;
  } else {
    const std::size_t current = static_cast<std::size_t>(it - order.begin());
    index = forward ? (current + 1) % order.size() : (current + order.size() - 1) % order.size();
  }
  Focus(order[index]);
}

void HeadlessForm::SetDefaultButton(HeadlessHost* host) {
  default_button_ = host;
  UpdateDisplayAsDefault();
}

void HeadlessForm::SetCancelButton(HeadlessHost* host) { cancel_button_ = host; }

void HeadlessForm::UpdateDisplayAsDefault() {
  const bool focused_takes_default = focused_ != nullptr && focused_->Options().default_cancel;
  for (const auto& host : hosts_) {
    bool value = false;
    if (host->Options().default_cancel) {
      value = focused_takes_default ? host.get() == focused_ : host.get() == default_button_;
    }
    host->SetDisplayAsDefault(value);
  }
}

void HeadlessForm::PressKey(int key_code, int shift, int key_ascii) {
  if (key_code == 9) {
    Tab((shift & kShiftMask) == 0);
    desktop_.RunPending();
    return;
  }
  if ((shift & kAltMask) != 0 && key_code > 0 && key_code < 128 && std::isalnum(key_code) != 0) {
    PressAccessKey(static_cast<char>(key_code));
    return;
  }
  if ((key_code == 13 || key_code == 27) &&
      !(focused_ != nullptr && focused_->Options().default_cancel)) {
    HeadlessHost* target = key_code == 13 ? default_button_ : cancel_button_;
    if (target != nullptr) {
      if (target->Enabled() && target->control_) target->control_->OnAccessKeyPress(key_code);
      desktop_.RunPending();
      return;
    }
  }
  // The key down and its character go to the focused control; keys it queued (SendKeys) are
  // handled next; the key up goes wherever the focus is then.
  if (focused_ != nullptr) {
    focused_->DeliverKeyDown(key_code, shift);
    if (key_ascii != 0 && focused_ != nullptr) focused_->DeliverKeyPress(key_ascii);
  }
  desktop_.RunPending();
  if (focused_ != nullptr) focused_->DeliverKeyUp(key_code, shift);
  desktop_.RunPending();
}

void HeadlessForm::PressAccessKey(char key) {
  const auto fold = [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  for (const auto& host : hosts_) {
    if (!host->Enabled()) continue;
    const std::string& keys = host->AccessKeys();
    if (std::none_of(keys.begin(), keys.end(), [&](char k) { return fold(k) == fold(key); }))
      continue;
    Focus(host.get());
    if (host->control_) host->control_->OnAccessKeyPress(static_cast<unsigned char>(fold(key)));
    desktop_.RunPending();
    return;
  }
}

HeadlessHost* HeadlessForm::MouseTarget() const {
  HeadlessWindows& windows = desktop_.Windows();
  if (HeadlessHost* captured = HostOfWindow(windows.CaptureWindow())) return captured;
  return HostOfWindow(windows.WindowUnderPointer());
}

void HeadlessForm::MovePointer(Point screen_point, int shift) {
  HeadlessWindows& windows = desktop_.Windows();
  windows.MovePointer(screen_point);
  desktop_.RunPending();  // leave notifications of the windows the pointer left
  HeadlessHost* target = MouseTarget();
  if (target != nullptr) {
    const Point origin = target->ScreenOrigin();
    target->DeliverMouseMove(held_buttons_, shift, screen_point.x - origin.x,
                             screen_point.y - origin.y);
  }
  desktop_.RunPending();
}

void HeadlessForm::MovePointerAway() {
  const Rect screen = desktop_.Windows().ScreenRect(window_);
  MovePointer(Point{screen.right + 1000, screen.bottom + 1000});
}

void HeadlessForm::Activate() {
  active_ = true;
  HeadlessWindows& windows = desktop_.Windows();
  windows.SendMessage(window_, kWmNcActivate, 1, 0);
  if (!options_.mdi_child) windows.SendMessage(window_, kWmActivate, 1, 0);
  desktop_.RunPending();
}

void HeadlessForm::Deactivate() {
  active_ = false;
  HeadlessWindows& windows = desktop_.Windows();
  windows.SendMessage(window_, kWmNcActivate, 0, 0);
  if (!options_.mdi_child) windows.SendMessage(window_, kWmActivate, 0, 0);
  desktop_.RunPending();
}

void HeadlessForm::SetBackColor(ColorRef color) {
  options_.back_color = color;
  for (const auto& host : hosts_) {
    if (host->control_) host->control_->OnAmbientChanged("BackColor");
  }
}

}  // namespace tovarin::platform::headless
