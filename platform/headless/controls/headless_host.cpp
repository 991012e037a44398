#include "platform/headless/controls/headless_host.h"

#include <cmath>
#include <exception>

#include "platform/headless/controls/headless_form.h"
#include "platform/raster/units.h"
#include "platform/store/scratch_store.h"
#include "platform/text/font.h"

namespace tovarin::platform::headless {
namespace {

bool IsKnownSystemCursor(int id) {
  return (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32651) || id == 32648;
}

}  // namespace

HeadlessHost::HeadlessHost(HeadlessForm& form, HostOptions options)
    : form_(form),
      desktop_(form.Desktop()),
      options_(std::move(options)),
      rect_(options_.rect),
      timer_scheduler_(desktop_.Clock()),
      timers_(timer_scheduler_, [this](std::uint64_t key, const std::string& message) {
        errors_.push_back("timer " + std::to_string(key) + ": " + message);
      }) {
  rect_.right = std::max(rect_.right, rect_.left);
  rect_.bottom = std::max(rect_.bottom, rect_.top);
  HeadlessWindows& windows = desktop_.Windows();
  if (options_.container == 0 || !windows.Exists(options_.container))
    options_.container = form_.Window();
  window_ = windows.Create(options_.name, options_.container, rect_);
  windows.SetVisible(window_, false);
  tooltip_text_ = options_.tooltip_text;
  RecreateSurface();
}

HeadlessHost::~HeadlessHost() {
  *alive_ = false;
  Detach();
  for (const ToolTipRecord& tip : tooltips_) {
    if (!tip.destroyed) desktop_.Windows().Destroy(tip.window);
  }
  desktop_.Windows().Destroy(window_);
  form_.HostDestroyed(this);
}

void HeadlessHost::Detach() {
  timers_.KillAll();
  reads_.clear();
  control_ = nullptr;
}

// --- Lifecycle -----------------------------------------------------------------------------

void HeadlessHost::InitNew() {
  if (control_) SiteNewControl(*control_);
}

Status HeadlessHost::ReadProperties(const PropertyStore& store) {
  if (!control_) return Error{"no control attached"};
  Status status = SiteSavedControl(*control_, store);
  if (!status.ok()) errors_.push_back("ReadProperties: " + status.error());
  return status;
}

PropertyStore HeadlessHost::WriteProperties() {
  PropertyStore store;
  if (control_) control_->OnWriteProperties(store);
  return store;
}

void HeadlessHost::Show() {
  desktop_.Windows().SetVisible(window_, true);
  if (control_) control_->OnShow();
  RequestPaint();
}

void HeadlessHost::Hide() {
  desktop_.Windows().SetVisible(window_, false);
  if (control_) control_->OnHide();
}

void HeadlessHost::Terminate() {
  if (control_) control_->OnTerminate();
  timers_.KillAll();
  reads_.clear();
  for (ToolTipRecord& tip : tooltips_) {
    if (!tip.destroyed) {
      desktop_.Windows().Destroy(tip.window);
      tip.destroyed = true;
    }
  }
}

// --- Input ----------------------------------------------------------------------------------

Point HeadlessHost::ScreenOrigin() const {
  const Rect screen = desktop_.Windows().ScreenRect(window_);
  return Point{screen.left, screen.top};
}

void HeadlessHost::DeliverMouseMove(int buttons, int shift, double x, double y) {
  current_cursor_ = 0;
  if (!enabled_ || !control_) return;
  control_->OnMouseMove(buttons, shift, x, y);
}

void HeadlessHost::DeliverMouseDown(int button, int shift, double x, double y) {
  if (!enabled_ || !control_) return;
  desktop_.Windows().SetCapture(window_);
  control_->OnMouseDown(button, shift, x, y);
}

void HeadlessHost::DeliverMouseUp(int button, int shift, double x, double y, bool click_allowed) {
  if (!enabled_ || !control_) return;
  HeadlessWindows& windows = desktop_.Windows();
  control_->OnMouseUp(button, shift, x, y);
  if (form_.HeldButtons() == 0 && windows.CaptureWindow() == window_) windows.ReleaseCapture();
  if (click_allowed && button == kLeftButton && control_ &&
      windows.WindowUnderPointer() == window_) {
    control_->OnClick();
  }
}

void HeadlessHost::MouseMove(double x, double y, int shift) {
  const Point origin = ScreenOrigin();
  form_.MovePointer(
      Point{origin.x + static_cast<int>(std::floor(x)), origin.y + static_cast<int>(std::floor(y))},
      shift);
}

void HeadlessHost::MouseDown(int button, double x, double y, int shift) {
  const Point origin = ScreenOrigin();
  const Point target{origin.x + static_cast<int>(std::floor(x)),
                     origin.y + static_cast<int>(std::floor(y))};
  if (desktop_.Windows().PointerPosition() != target) MouseMove(x, y, shift);
  form_.HeldButtons() |= button;
  DeliverMouseDown(button, shift, x, y);
  desktop_.RunPending();
}

void HeadlessHost::MouseUp(int button, double x, double y, int shift) {
  const Point origin = ScreenOrigin();
  const Point target{origin.x + static_cast<int>(std::floor(x)),
                     origin.y + static_cast<int>(std::floor(y))};
  if (desktop_.Windows().PointerPosition() != target) MouseMove(x, y, shift);
  form_.HeldButtons() &= ~button;
  DeliverMouseUp(button, shift, x, y, true);
  desktop_.RunPending();
}

void HeadlessHost::Click(double x, double y, int button, int shift) {
  MouseDown(button, x, y, shift);
  MouseUp(button, x, y, shift);
}

void HeadlessHost::DoubleClick(double x, double y, int shift) {
  Click(x, y, kLeftButton, shift);
  // The second press arrives as a double click, with the capture a press takes.
  form_.HeldButtons() |= kLeftButton;
  if (enabled_ && control_) {
    desktop_.Windows().SetCapture(window_);
    control_->OnDblClick();
  }
  desktop_.RunPending();
  form_.HeldButtons() &= ~kLeftButton;
  DeliverMouseUp(kLeftButton, shift, x, y, false);
  desktop_.RunPending();
}

void HeadlessHost::DeliverKeyDown(int key_code, int shift) {
  if (enabled_ && control_) control_->OnKeyDown(key_code, shift);
}

void HeadlessHost::DeliverKeyPress(int key_ascii) {
  if (enabled_ && control_) control_->OnKeyPress(key_ascii);
}

void HeadlessHost::DeliverKeyUp(int key_code, int shift) {
  if (enabled_ && control_) control_->OnKeyUp(key_code, shift);
}

void HeadlessHost::KeyDown(int key_code, int shift) {
  DeliverKeyDown(key_code, shift);
  desktop_.RunPending();
}

void HeadlessHost::KeyPress(int key_ascii) {
  DeliverKeyPress(key_ascii);
  desktop_.RunPending();
}

void HeadlessHost::KeyUp(int key_code, int shift) {
  DeliverKeyUp(key_code, shift);
  desktop_.RunPending();
}

void HeadlessHost::TypeKey(int key_code, int key_ascii, int shift) {
  DeliverKeyDown(key_code, shift);
  if (key_ascii != 0) DeliverKeyPress(key_ascii);
  desktop_.RunPending();
  DeliverKeyUp(key_code, shift);
  desktop_.RunPending();
}

// --- Test settings ---------------------------------------------------------------------------

void HeadlessHost::SetUserMode(bool user_mode) {
  options_.user_mode = user_mode;
  if (control_) control_->OnAmbientChanged("UserMode");
}

void HeadlessHost::SetAmbientFont(std::shared_ptr<Font> font) {
  font_ = std::move(font);
  if (control_) control_->OnAmbientChanged("Font");
}

void HeadlessHost::SetEventHandler(const std::string& event_name,
                                   std::function<void(EventArgs&)> handler) {
  event_handlers_[event_name] = std::move(handler);
}

void HeadlessHost::SetRectPixels(Rect rect) {
  rect.right = std::max(rect.right, rect.left);
  rect.bottom = std::max(rect.bottom, rect.top);
  const bool resized = rect.Width() != rect_.Width() || rect.Height() != rect_.Height();
  rect_ = rect;
  desktop_.Windows().SetRect(window_, rect_);
  if (!resized) return;
  RecreateSurface();
  if (control_) control_->OnResize();
  RequestPaint();
}

void HeadlessHost::SetDisplayAsDefault(bool value) {
  if (value == display_as_default_) return;
  display_as_default_ = value;
  if (control_) control_->OnAmbientChanged("DisplayAsDefault");
}

std::vector<std::string> HeadlessHost::EventNames() const {
  std::vector<std::string> names;
  for (const RaisedEvent& e : events_) names.push_back(e.name);
  return names;
}

void HeadlessHost::ClearRecords() {
  property_changes_.clear();
  events_.clear();
  journal_.clear();
  region_changes_.clear();
  errors_.clear();
  paint_count_ = refresh_count_ = invalidate_count_ = 0;
}

// --- Ambient and notifications ------------------------------------------------------------------

std::shared_ptr<Font> HeadlessHost::AmbientFont() const {
  if (!font_) return std::make_shared<Font>();
  return font_;
}

void HeadlessHost::PropertyChanged(std::string_view property_name) {
  property_changes_.emplace_back(property_name);
  journal_.push_back("property:" + std::string(property_name));
}

void HeadlessHost::RaiseEvent(std::string_view event_name, EventArgs& args) {
  events_.push_back(RaisedEvent{std::string(event_name), args, args});
  const std::size_t index = events_.size() - 1;
  journal_.push_back("event:" + std::string(event_name));
  const auto it = event_handlers_.find(std::string(event_name));
  if (it != event_handlers_.end() && it->second) {
    const auto handler = it->second;  // the handler may replace itself
    handler(args);
    events_[index].args_after = args;
  }
}

WindowHandle HeadlessHost::ContainerWindow() const { return options_.container; }
WindowHandle HeadlessHost::ParentWindow() const { return form_.Window(); }
bool HeadlessHost::ParentIsMdiChild() const { return form_.Options().mdi_child; }

std::vector<Control*> HeadlessHost::SiblingControls() const {
  std::vector<Control*> controls;
  for (HeadlessHost* host : form_.Hosts()) {
    if (host->control_ && host->ContainerWindow() == ContainerWindow())
      controls.push_back(host->control_);
  }
  return controls;
}

std::vector<Control*> HeadlessHost::FormControls() const {
  std::vector<Control*> controls;
  for (HeadlessHost* host : form_.Hosts()) {
    if (host->control_) controls.push_back(host->control_);
  }
  return controls;
}

void HeadlessHost::SetFocus() { form_.Focus(this); }
bool HeadlessHost::HasFocus() const { return form_.Focused() == this; }

// --- Surface -------------------------------------------------------------------------------------

Rect HeadlessHost::ExtentTwips() const {
  return Rect{rect_.left * kTwipsPerPixel, rect_.top * kTwipsPerPixel, rect_.right * kTwipsPerPixel,
              rect_.bottom * kTwipsPerPixel};
}

void HeadlessHost::ResizeTwips(int width_twips, int height_twips) {
  const auto to_pixels = [](int twips) {
    return static_cast<int>(std::max<std::int64_t>(0, Nearest(TwipsToPixels(twips))));
  };
  SetRectPixels(
      Rect::FromXYWH(rect_.left, rect_.top, to_pixels(width_twips), to_pixels(height_twips)));
}

void HeadlessHost::RecreateSurface() {
  auto bitmap = Bitmap::Create(rect_.Width(), rect_.Height(), 24);
  surface_ = bitmap.ok() ? std::move(bitmap).value() : Bitmap();
  if (!bitmap.ok()) errors_.push_back("surface: " + bitmap.error());
  const ColorRef background = BackgroundColor();
  for (int y = 0; y < surface_.Height(); ++y) {
    for (int x = 0; x < surface_.Width(); ++x) surface_.SetPixel(x, y, background);
  }
}

ColorRef HeadlessHost::BackgroundColor() const { return form_.Options().back_color; }

void HeadlessHost::Paint() {
  const ColorRef background = BackgroundColor();
  for (int y = 0; y < surface_.Height(); ++y) {
    for (int x = 0; x < surface_.Width(); ++x) surface_.SetPixel(x, y, background);
  }
  ++paint_count_;
  journal_.push_back("paint");
  if (control_) control_->OnPaint();
}

void HeadlessHost::RequestPaint() {
  if (paint_pending_) return;
  paint_pending_ = true;
  desktop_.Clock().Post([this, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.expired() || !paint_pending_) return;
    paint_pending_ = false;
    if (desktop_.Windows().IsVisible(window_)) Paint();
  });
}

void HeadlessHost::Refresh() {
  ++refresh_count_;
  journal_.push_back("refresh");
  paint_pending_ = false;
  Paint();
}

void HeadlessHost::Invalidate() {
  ++invalidate_count_;
  journal_.push_back("invalidate");
}

void HeadlessHost::SetWindowRegion(std::optional<Region> region) {
  region_ = region;
  region_changes_.push_back(region);
  journal_.push_back("region");
  desktop_.Windows().SetShape(window_, std::move(region));
}

// --- Timers --------------------------------------------------------------------------------------

bool HeadlessHost::SetTimer(std::uint64_t key, unsigned interval_ms,
                            std::function<void()> on_expiry) {
  if (timers_refused_) {
    timers_.Kill(key);
    return false;
  }
  return timers_.Set(key, interval_ms, std::move(on_expiry));
}

void HeadlessHost::KillTimer(std::uint64_t key) { timers_.Kill(key); }

// --- Asynchronous reads
// ----------------------------------------------------------------------------

Status HeadlessHost::AsyncRead(const std::string& address, const std::string& name) {
  auto classified = ClassifyFetchable(address);
  if (!classified.ok()) return Error{classified.error()};
  CancelAsyncRead(name);
  const std::uint64_t id = next_read_id_++;
  reads_[name] = id;
  desktop_.Clock().Post([this, name, id, address, alive = std::weak_ptr<bool>(alive_)] {
    if (!alive.expired()) PerformRead(name, id, address);
  });
  return {};
}

void HeadlessHost::CancelAsyncRead(const std::string& name) { reads_.erase(name); }

void HeadlessHost::PerformRead(const std::string& name, std::uint64_t id,
                               const std::string& address) {
  const auto current = [&] {
    const auto it = reads_.find(name);
    return it != reads_.end() && it->second == id && control_ != nullptr;
  };
  if (!current()) return;
  auto classified = ClassifyFetchable(address);
  Result<FetchResult> fetched = classified.ok() ? FetchAddress(*classified, desktop_.ReadOptions())
                                                : Result<FetchResult>(Error{classified.error()});
  if (!current()) return;
  if (!fetched.ok()) {
    control_->OnAsyncReadProgress(AsyncReadProgress{name, kAsyncReadError, fetched.error(), 0, 0});
    if (!current()) return;
    reads_.erase(name);
    AsyncReadCompletion completion{name, Error{fetched.error()}};
    control_->OnAsyncReadComplete(completion);
    return;
  }
  const std::uint64_t size = fetched->data.size();
  control_->OnAsyncReadProgress(AsyncReadProgress{name, kAsyncReadDataArriving, "data arriving",
                                                  size, fetched->declared_total});
  if (!current()) return;
  control_->OnAsyncReadProgress(AsyncReadProgress{name, kAsyncReadDone, "done", size, size});
  if (!current()) return;
  reads_.erase(name);
  AsyncReadCompletion completion{name, std::move(fetched->data)};
  control_->OnAsyncReadComplete(completion);
}

Result<Bytes> HeadlessHost::ScratchStoreContents(std::string_view key, const Picture& picture) {
  return platform::ScratchStoreContents(key, picture);
}

// --- Menus, windows, desktop
// -------------------------------------------------------------------------

void HeadlessHost::PopupMenu(MenuItem& menu, int x, int y, unsigned flags,
                             const MenuItem* default_item) {
  journal_.push_back("popup:" + menu.name);
  const Point origin = ScreenOrigin();
  desktop_.Menus().Show(menu, options_.name, x, y, Point{origin.x + x, origin.y + y}, flags,
                        default_item);
}

WindowHandle HeadlessHost::WindowUnderPointer() const {
  return desktop_.Windows().WindowUnderPointer();
}

void HeadlessHost::TrackMouseLeave(WindowHandle window) {
  if (desktop_.LeaveTrackingSupported()) desktop_.Windows().TrackMouseLeave(window);
}

std::optional<WindowProcedure> HeadlessHost::ReplaceWindowProcedure(WindowHandle window,
                                                                    WindowProcedure replacement) {
  return desktop_.Windows().ReplaceProcedure(window, std::move(replacement));
}

void HeadlessHost::OpenAddress(const std::string& address) { desktop_.OpenAddress(address); }

int HeadlessHost::MessageBox(const std::string& text, const std::string& title, int icon) {
  return desktop_.ShowMessageBox(text, title, icon);
}

WindowHandle HeadlessHost::CreateToolTip(const ToolTipSpec& spec) {
  const Rect screen = desktop_.Windows().ScreenRect(window_);
  const WindowHandle tip = desktop_.Windows().Create(
      "tooltip:" + options_.name, 0, Rect::FromXYWH(screen.left, screen.bottom, 0, 0), true);
  tooltips_.push_back(ToolTipRecord{tip, spec, false});
  return tip;
}

void HeadlessHost::DestroyToolTip(WindowHandle tooltip) {
  for (ToolTipRecord& tip : tooltips_) {
    if (tip.window == tooltip && !tip.destroyed) {
      desktop_.Windows().Destroy(tip.window);
      tip.destroyed = true;
    }
  }
}

void HeadlessHost::SetCapture() { desktop_.Windows().SetCapture(window_); }
void HeadlessHost::ReleaseCapture() { desktop_.Windows().ReleaseCapture(); }
WindowHandle HeadlessHost::CaptureWindow() const { return desktop_.Windows().CaptureWindow(); }

void HeadlessHost::SendKeys(std::string_view keys) {
  // Queued like typed keys: handled after the current notification returns.
  for (const bool forward : TabKeys(keys)) {
    HeadlessForm* form = &form_;
    desktop_.Clock().Post([form, forward, alive = std::weak_ptr<bool>(alive_)] {
      if (!alive.expired()) form->Tab(forward);
    });
  }
}

bool HeadlessHost::SetSystemCursor(int cursor_id) {
  if (!IsKnownSystemCursor(cursor_id)) return false;
  current_cursor_ = cursor_id;
  journal_.push_back("cursor:" + std::to_string(cursor_id));
  return true;
}

double HeadlessHost::ContainerUnitsPerPixel() const { return form_.Options().units_per_pixel; }

}  // namespace tovarin::platform::headless
