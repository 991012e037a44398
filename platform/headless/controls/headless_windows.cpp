#include "platform/headless/controls/headless_windows.h"

#include <algorithm>

namespace tovarin::platform::headless {

WindowHandle HeadlessWindows::Create(std::string name, WindowHandle parent, Rect rect_in_parent,
                                     bool transparent) {
  const WindowHandle handle = next_handle_;
  next_handle_ += 4;
  windows_.emplace(handle, Window{.name = std::move(name),
                                  .parent = Exists(parent) ? parent : 0,
                                  .rect = rect_in_parent,
                                  .transparent = transparent,
                                  .procedures = WindowProcedureChain(DefaultProcedure()),
                                  .order = next_order_++});
  return handle;
}

WindowProcedure HeadlessWindows::DefaultProcedure() {
  return [this](WindowHandle window, std::uint32_t message, std::intptr_t wparam,
                std::intptr_t lparam) {
    message_log_.push_back(WindowMessage{window, message, wparam, lparam});
    return std::intptr_t{0};
  };
}

void HeadlessWindows::Destroy(WindowHandle window) {
  if (!Exists(window)) return;
  std::vector<WindowHandle> children;
  for (const auto& [handle, w] : windows_) {
    if (w.parent == window) children.push_back(handle);
  }
  for (const WindowHandle child : children) Destroy(child);
  std::erase(leave_armed_, window);
  if (capture_ == window) capture_ = 0;
  windows_.erase(window);
}

std::string HeadlessWindows::Name(WindowHandle window) const {
  const auto it = windows_.find(window);
  return it == windows_.end() ? std::string() : it->second.name;
}

WindowHandle HeadlessWindows::Parent(WindowHandle window) const {
  const auto it = windows_.find(window);
  return it == windows_.end() ? 0 : it->second.parent;
}

void HeadlessWindows::SetRect(WindowHandle window, Rect rect_in_parent) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return;
  it->second.rect = rect_in_parent;
  CheckLeaves();
}

Rect HeadlessWindows::RectInParent(WindowHandle window) const {
  const auto it = windows_.find(window);
  return it == windows_.end() ? Rect{} : it->second.rect;
}

Rect HeadlessWindows::ScreenRect(WindowHandle window) const {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return Rect{};
  Rect rect = it->second.rect;
  for (WindowHandle p = it->second.parent; p != 0;) {
    const auto parent = windows_.find(p);
    if (parent == windows_.end()) break;
    rect = rect.Offset(parent->second.rect.left, parent->second.rect.top);
    p = parent->second.parent;
  }
  return rect;
}

void HeadlessWindows::SetShape(WindowHandle window, std::optional<Region> shape) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return;
  it->second.shape = std::move(shape);
  CheckLeaves();
}

std::optional<Region> HeadlessWindows::Shape(WindowHandle window) const {
  const auto it = windows_.find(window);
  return it == windows_.end() ? std::nullopt : it->second.shape;
}

void HeadlessWindows::SetVisible(WindowHandle window, bool visible) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return;
  it->second.visible = visible;
  CheckLeaves();
}

bool HeadlessWindows::IsVisible(WindowHandle window) const {
  for (WindowHandle w = window; w != 0;) {
    const auto it = windows_.find(w);
    if (it == windows_.end() || !it->second.visible) return false;
    w = it->second.parent;
  }
  return window != 0;
}

std::optional<WindowProcedure> HeadlessWindows::ReplaceProcedure(WindowHandle window,
                                                                 WindowProcedure procedure) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return std::nullopt;
  return it->second.procedures.Replace(std::move(procedure));
}

std::intptr_t HeadlessWindows::SendMessage(WindowHandle window, std::uint32_t message,
                                           std::intptr_t wparam, std::intptr_t lparam) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return 0;
  return it->second.procedures.Send(window, message, wparam, lparam);
}

void HeadlessWindows::PostMessage(WindowHandle window, std::uint32_t message, std::intptr_t wparam,
                                  std::intptr_t lparam) {
  clock_.Post(
      [this, window, message, wparam, lparam] { SendMessage(window, message, wparam, lparam); });
}

bool HeadlessWindows::Hits(WindowHandle handle, const Window& window, Point p) const {
  if (!window.visible || window.transparent) return false;
  const Rect screen = ScreenRect(handle);
  if (!screen.Contains(p.x, p.y)) return false;
  return !window.shape || window.shape->Contains(p.x - screen.left, p.y - screen.top);
}

WindowHandle HeadlessWindows::HitChild(WindowHandle parent, Point p) const {
  WindowHandle best = 0;
  std::uint64_t best_order = 0;
  for (const auto& [handle, window] : windows_) {
    if (window.parent != parent || !Hits(handle, window, p)) continue;
    if (best == 0 || window.order > best_order) {
      best = handle;
      best_order = window.order;
    }
  }
  if (best == 0) return 0;
  const WindowHandle deeper = HitChild(best, p);
  return deeper != 0 ? deeper : best;
}

WindowHandle HeadlessWindows::WindowAt(Point screen_point) const {
  return HitChild(0, screen_point);
}

void HeadlessWindows::MovePointer(Point screen_point) {
  pointer_ = screen_point;
  CheckLeaves();
}

void HeadlessWindows::TrackMouseLeave(WindowHandle window) {
  if (!Exists(window)) return;
  if (std::find(leave_armed_.begin(), leave_armed_.end(), window) == leave_armed_.end()) {
    leave_armed_.push_back(window);
  }
  CheckLeaves();
}

bool HeadlessWindows::IsLeaveTrackingArmed(WindowHandle window) const {
  return std::find(leave_armed_.begin(), leave_armed_.end(), window) != leave_armed_.end();
}

void HeadlessWindows::CheckLeaves() {
  const WindowHandle under = WindowUnderPointer();
  std::vector<WindowHandle> left;
  for (const WindowHandle window : leave_armed_) {
    if (window != under && window != capture_) left.push_back(window);
  }
  for (const WindowHandle window : left) {
    std::erase(leave_armed_, window);
    PostMessage(window, kWmMouseLeave, 0, 0);
  }
}

void HeadlessWindows::SetCapture(WindowHandle window) {
  capture_ = Exists(window) ? window : 0;
  CheckLeaves();
}

void HeadlessWindows::ReleaseCapture() {
  capture_ = 0;
  CheckLeaves();
}

}  // namespace tovarin::platform::headless
