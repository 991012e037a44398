#include "button/teskbutton.h"

#include <utility>

#include "button/access_key.h"
#include "button/render/color_math.h"
#include "button/render/style_defaults.h"
#include "platform/pictures/picture.h"

namespace tovarin::button {

teskbutton::teskbutton(platform::ControlHost& host, std::unique_ptr<ButtonPainter> painter)
    : host_(host),
      painter_(std::move(painter)),
      tooltip_(host),
      input_(model_, drop_down_.Flags(), host, *this),
      hooks_(host, *this) {
  // Creation: the picture-effect tables.
  FillEffectTables(model_.mLightTable, model_.mDarkTable);
}

teskbutton::~teskbutton() {
  // The hooks must not call into a half-destroyed button; the tooltip ends with it.
  hooks_.UnhookAll();
  font_subscription_.Reset();
}

bool teskbutton::IsEmptyPicture(const PictureRef& picture) {
  return !picture || picture->IsEmpty();
}

void teskbutton::Redraw() {
  painter_->Redraw(model_, *this);
  // Outside a paint notification the host is told that the surface changed, so it shows it.
  if (!painting_) host_.Invalidate();
}

void teskbutton::RedrawAndNotify(std::string_view property_name) {
  Redraw();
  Changed(property_name);
}

// --- Properties ---------------------------------------------------------------------------

void teskbutton::SetBackColor(OleColor value) {
  model_.BackColor = value;
  if (model_.ButtonStyle != ButtonStyleValue::kToolbar)
    model_.ColorScheme = ColorSchemeValue::kCustom;
  RedrawAndNotify("BackColor");
}

void teskbutton::SetButtonStyle(std::int32_t value) {
  model_.ButtonStyle = static_cast<ButtonStyleValue>(value);
  ApplySchemeStep(model_);
  ApplyColorStep(model_);
  painter_->UpdateRegion(model_, *this);
  RedrawAndNotify("ButtonStyle");
}

void teskbutton::SetCaption(std::string value) {
  model_.Caption = std::move(value);
  UpdateAccessKeys();
  RedrawAndNotify("Caption");
}

void teskbutton::SetCaptionAlign(std::int32_t value) {
  model_.CaptionAlign = static_cast<CaptionAlignValue>(value);
  RedrawAndNotify("CaptionAlign");
}

void teskbutton::SetDropDownSymbol(std::int32_t value) {
  model_.DropDownSymbol = value;
  RedrawAndNotify("DropDownSymbol");
}

void teskbutton::SetDropDownSeparator(bool value) {
  model_.DropDownSeparator = value;
  RedrawAndNotify("DropDownSeparator");
}

void teskbutton::SetDisabledPictureMode(std::int32_t value) {
  model_.DisabledPictureMode = static_cast<DisabledPictureModeValue>(value);
  RedrawAndNotify("DisabledPictureMode");
}

void teskbutton::SetEnabled(bool value) {
  model_.Enabled = value;
  // A disabled window gets no mouse or keyboard input.
  host_.SetEnabled(value);
  RedrawAndNotify("Enabled");
}

platform::Status teskbutton::SetFont(std::shared_ptr<platform::Font> font) {
  if (!font) return platform::Error{"Font: an empty font cannot be assigned"};
  model_.mFont = std::move(font);
  SubscribeFont();
  host_.Refresh();
  RedrawAndNotify("Font");
  FontChanged();
  return {};
}

void teskbutton::SetForeColor(OleColor value) {
  model_.ForeColor = value;
  host_.SetForeColor(value);
  RedrawAndNotify("ForeColor");
}

void teskbutton::SetForeColorHover(OleColor value) {
  model_.ForeColorHover = value;
  RedrawAndNotify("ForeColorHover");
}

void teskbutton::SetHandPointer(bool value) {
  model_.HandPointer = value;
  if (value) {
    host_.SetMousePointer(0);
    if (input_.mHandCursor == 0) LoadHandCursor();
  }
  RedrawAndNotify("HandPointer");
}

void teskbutton::SetMaskColor(OleColor value) {
  model_.MaskColor = value;
  RedrawAndNotify("MaskColor");
}

void teskbutton::SetMode(std::int32_t value) {
  model_.Mode = static_cast<ModeValue>(value);
  if (model_.Mode == ModeValue::kPushButton) model_.mButtonState = ButtonStateValue::kStateNormal;
  Redraw();
  Changed("Value");
  Changed("Mode");
}

void teskbutton::SetMouseIcon(PictureRef value) {
  const bool empty = IsEmptyPicture(value);
  host_.SetMouseIcon(std::move(value));
  if (empty) {
    host_.SetMousePointer(0);
  } else {
    model_.HandPointer = false;
    Changed("HandPointer");
    host_.SetMousePointer(kCustomPointer);
  }
  Changed("MouseIcon");
}

void teskbutton::SetMousePointer(int value) {
  host_.SetMousePointer(value);
  Changed("MousePointer");
}

void teskbutton::SetPictureNormal(PictureRef value) {
  model_.PictureNormal = std::move(value);
  if (IsEmptyPicture(model_.PictureNormal)) {
    HandleResize();
    model_.PictureHot.reset();
    model_.PictureDown.reset();
    Changed("PictureHot");
    Changed("PictureDown");
    return;
  }
  RedrawAndNotify("PictureNormal");
}

void teskbutton::SetPictureHot(PictureRef value) {
  if (IsEmptyPicture(model_.PictureNormal)) {
    model_.PictureNormal = std::move(value);
    Changed("PictureNormal");
    return;
  }
  model_.PictureHot = std::move(value);
  Changed("PictureHot");
  Redraw();
}

void teskbutton::SetPictureDown(PictureRef value) {
  if (IsEmptyPicture(model_.PictureNormal)) {
    model_.PictureNormal = std::move(value);
    Changed("PictureNormal");
    return;
  }
  model_.PictureDown = std::move(value);
  Changed("PictureDown");
  Redraw();
}

void teskbutton::SetPictureAlign(std::int32_t value) {
  model_.PictureAlign = static_cast<PictureAlignValue>(value);
  if (!IsEmptyPicture(model_.PictureNormal)) Redraw();
  Changed("PictureAlign");
}

void teskbutton::SetPictureShadow(bool value) {
  model_.PictureShadow = value;
  RedrawAndNotify("PictureShadow");
}

void teskbutton::SetPictureEffectOnOver(std::int32_t value) {
  model_.PictureEffectOnOver = static_cast<PictureEffectValue>(value);
  RedrawAndNotify("PictureEffectOnOver");
}

void teskbutton::SetPictureEffectOnDown(std::int32_t value) {
  model_.PictureEffectOnDown = static_cast<PictureEffectValue>(value);
  RedrawAndNotify("PictureEffectOnDown");
}

void teskbutton::SetPicturePushOnHover(bool value) {
  model_.PicturePushOnHover = value;
  RedrawAndNotify("PicturePushOnHover");
}

void teskbutton::SetPictureOpacity(std::uint8_t value) {
  model_.PictureOpacity = value;
  RedrawAndNotify("PictureOpacity");
}

void teskbutton::SetPictureOpacityOnOver(std::uint8_t value) {
  model_.PictureOpacityOnOver = value;
  RedrawAndNotify("PictureOpacityOnOver");
}

void teskbutton::SetRightToLeft(bool value) {
  model_.RightToLeft = value;
  model_.mTipRightToLeft = value;
  RedrawAndNotify("RightToLeft");
}

void teskbutton::SetCaptionEffects(std::int32_t value) {
  model_.CaptionEffects = static_cast<CaptionEffectsValue>(value);
  RedrawAndNotify("CaptionEffects");
}

void teskbutton::SetShowFocusRect(bool value) {
  model_.ShowFocusRect = value;
  Changed("ShowFocusRect");
}

void teskbutton::SetUseMaskColor(bool value) {
  model_.UseMaskColor = value;
  if (!IsEmptyPicture(model_.PictureNormal)) Redraw();
  Changed("UseMaskColor");
}

void teskbutton::SetValue(bool value) {
  if (model_.Mode == ModeValue::kPushButton) {
    // A push button has no value: the assignment only returns it to normal.
    model_.mButtonState = ButtonStateValue::kStateNormal;
    Redraw();
    return;
  }
  model_.Value = value;
  if (!value) model_.mButtonState = ButtonStateValue::kStateNormal;
  RedrawAndNotify("Value");
}

void teskbutton::SetTooltipTitle(std::string value) {
  model_.TooltipTitle = std::move(value);
  RedrawAndNotify("TooltipTitle");
}

void teskbutton::SetToolTip(std::string value) {
  model_.ToolTip = std::move(value);
  RedrawAndNotify("ToolTip");
}

void teskbutton::SetTooltipBackColor(OleColor value) {
  model_.TooltipBackColor = value;
  RedrawAndNotify("TooltipBackColor");
}

void teskbutton::SetToolTipIcon(std::int32_t value) {
  model_.ToolTipIcon = static_cast<ToolTipIconValue>(value);
  RedrawAndNotify("ToolTipIcon");
}

void teskbutton::SetToolTipType(std::int32_t value) {
  model_.ToolTipType = static_cast<ToolTipTypeValue>(value);
  RedrawAndNotify("ToolTipType");
}

void teskbutton::SetColorScheme(std::int32_t value) {
  model_.ColorScheme = static_cast<ColorSchemeValue>(value);
  ApplyColorStep(model_);
  RedrawAndNotify("ColorScheme");
}

// --- Font -----------------------------------------------------------------------------------

void teskbutton::SubscribeFont() {
  font_subscription_.Reset();
  if (!model_.mFont) return;
  font_subscription_ = model_.mFont->Subscribe([this](std::string_view) { FontChanged(); });
}

// mFont_FontChanged: the surface draws with mFont, so refreshing and redrawing shows the change.
void teskbutton::FontChanged() {
  host_.Refresh();
  RedrawAndNotify("Font");
}

// --- New instance -----------------------------------------------------------------------------

void teskbutton::OnInitNew() {
  model_.ShowFocusRect = true;
  model_.Enabled = true;
  model_.ButtonStyle = ButtonStyleValue::kThemed;
  model_.Caption = host_.DisplayName();

  // The surface starts with the container's font; the button asks for Tahoma in it.
  const std::shared_ptr<platform::Font> ambient = host_.AmbientFont();
  model_.mFont = ambient ? ambient->Clone() : std::make_shared<platform::Font>();
  model_.mFont->SetName("Tahoma");
  SubscribeFont();
  FontChanged();

  model_.PictureOpacity = 255;
  model_.PictureOpacityOnOver = 255;
  model_.UseMaskColor = true;
  model_.PictureAlign = PictureAlignValue::kLeftOfCaption;
  model_.CaptionAlign = CaptionAlignValue::kAlignCenter;
  model_.MaskColor = 0xE0E0E0;

  const platform::Size size = host_.ClientSize();
  model_.mHeight = size.height;
  model_.mWidth = size.width;

  ApplySchemeStep(model_);
  ApplyColorStep(model_);
  host_.Refresh();
}

// --- Notifications ----------------------------------------------------------------------------

void teskbutton::OnPaint() {
  painting_ = true;
  Redraw();
  painting_ = false;
}

void teskbutton::OnResize() { HandleResize(); }

// A button is at least 220 twips high and wide; then its shape and look follow the new size.
void teskbutton::HandleResize() {
  if (!resizing_) {
    const platform::Rect extent = host_.ExtentTwips();
    const int height = extent.Height() < kMinimumSizeTwips ? kMinimumSizeTwips : extent.Height();
    const int width = extent.Width() < kMinimumSizeTwips ? kMinimumSizeTwips : extent.Width();
    if (height != extent.Height() || width != extent.Width()) {
      // The host answers with a resize notification of its own; it must not resize again.
      resizing_ = true;
      host_.ResizeTwips(width, height);
      resizing_ = false;
    }
  }
  painter_->UpdateRegion(model_, *this);
  Redraw();
}

void teskbutton::OnShow() { tooltip_.OnShow(); }

void teskbutton::OnHide() { tooltip_.OnHide(model_); }

void teskbutton::OnMouseDown(int button, int shift, double x, double y) {
  input_.MouseDown(button, shift, x, y);
}
void teskbutton::OnMouseMove(int button, int shift, double x, double y) {
  input_.MouseMove(button, shift, x, y);
}
void teskbutton::OnMouseUp(int button, int shift, double x, double y) {
  input_.MouseUp(button, shift, x, y);
}
void teskbutton::OnDblClick() { input_.DblClick(); }
void teskbutton::OnGotFocus() { input_.GotFocus(); }
void teskbutton::OnLostFocus() { input_.LostFocus(); }
void teskbutton::OnKeyDown(int& key_code, int shift) { input_.KeyDown(key_code, shift); }
void teskbutton::OnKeyPress(int& key_ascii) { input_.KeyPress(key_ascii); }
void teskbutton::OnKeyUp(int& key_code, int shift) { input_.KeyUp(key_code, shift); }
void teskbutton::OnAccessKeyPress(int key_ascii) { input_.AccessKeyPress(key_ascii); }
void teskbutton::OnAmbientChanged(std::string_view property_name) {
  input_.AmbientChanged(property_name);
}

// --- ButtonCanvas -------------------------------------------------------------------------------

void teskbutton::SetWindowRegion(std::optional<platform::Region> region) {
  host_.SetWindowRegion(std::move(region));
}

// The visual-style service is part of every host, so the library check always succeeds; whether
// the desktop is themed is asked once and kept for the button's life.
bool teskbutton::ThemeQuery() {
  if (!theme_lib_checked_) {
    model_.mThemeLibPresent = true;
    theme_lib_checked_ = true;
  }
  if (!model_.mThemeLibPresent) return false;
  if (!theme_queried_) {
    model_.mThemed = host_.AppThemed();
    theme_queried_ = true;
  }
  return model_.mThemed;
}

// --- Input helpers
// --------------------------------------------------------------------------------

void teskbutton::CreateToolTip() { tooltip_.Create(model_, drop_down_.Flags().mMenuShown); }

void teskbutton::RequestLeaveNotification() {
  if (model_.mTrackMouse) host_.TrackMouseLeave(host_.ControlWindow());
}

void teskbutton::ShowDropDownMenu() {
  if (drop_down_.Show(model_, host_)) Redraw();
}

void teskbutton::ClearOptionGroup() {
  const platform::WindowHandle own = host_.ControlWindow();
  const platform::WindowHandle container = host_.ContainerWindow();
  for (platform::Control* control : host_.FormControls()) {
    auto* other = dynamic_cast<teskbutton*>(control);
    if (other == nullptr || other == this) continue;
    if (other->ContainerWindow() != container || other->Model().Mode != ModeValue::kOptionButton)
      continue;
    if (other->hWnd() == own) continue;
    other->SetValue(false);
  }
}

void teskbutton::UpdateAccessKeys() {
  host_.SetAccessKeys("");
  const std::string key = DeriveAccessKey(model_.Caption);
  if (!key.empty()) host_.SetAccessKeys(key);
}

void teskbutton::LoadHandCursor() { input_.mHandCursor = platform::kCursorHand; }

// --- Drop-down menu and periphery -------------------------------------------------------------

void teskbutton::SetPopupMenu(std::shared_ptr<platform::MenuItem> menu, std::int32_t align,
                              std::optional<std::int32_t> flags,
                              std::shared_ptr<platform::MenuItem> default_menu) {
  drop_down_.SetPopupMenu(std::move(menu), align, flags, std::move(default_menu));
}

void teskbutton::UnsetPopupMenu() { drop_down_.UnsetPopupMenu(); }

void teskbutton::OpenWebsite(const std::string& address) { host_.OpenAddress(address); }

std::string teskbutton::AboutText() {
  return "TeskButton v 1.02\n"
         "Written by the Tovarin developers\n"
         "Contact: the Tovarin project's issue tracker\n"
         "\n"
         "Copyright (c) Tovarin developers. All rights reserved.";
}

void teskbutton::about() {
  constexpr int kInformationIcon = 64;
  (void)host_.MessageBox(AboutText(), std::string(kAboutTitle), kInformationIcon);
}

}  // namespace tovarin::button
