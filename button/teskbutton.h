#pragma once
// teskbutton: an owner-drawn push, check or option button in fourteen styles, with three
// pictures, caption effects, a drop-down symbol and menu, and its own tooltip.
//
// The button is a Control of its host (the form that holds it) and the ButtonCanvas its drawing
// code paints on. It owns its model (every property and member), its input state machine,
// tooltip, drop-down menu and window hooks. The host must outlive the button.
//
// Properties follow one rule unless stated otherwise: assigning stores the value, redraws the
// button and tells the container the property changed (PropertyChanged with the property's
// name), so the form knows it must be saved. No property checks its range: values outside an
// enumeration are stored and persisted as they are.
//
// The persisted keys, their order and defaults are listed in teskbutton_persistence.cpp; the
// window hooks in teskbutton_lifecycle.cpp; the input state machine in button_input.h.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "button/button_input.h"
#include "button/button_painter.h"
#include "button/button_tooltip.h"
#include "button/drop_down_menu.h"
#include "button/render/button_model.h"
#include "button/window_hook_table.h"
#include "platform/host/control_host.h"
#include "platform/text/font.h"

namespace tovarin::button {

class teskbutton final : public platform::Control,
                         public ButtonCanvas,
                         private ButtonActions,
                         public WindowHookCallback {
 public:
  // The least height and width of a button, in twips.
  static constexpr int kMinimumSizeTwips = 220;
  // Window pointer setting for a custom cursor picture.
  static constexpr int kCustomPointer = 99;

  // A button drawn by button/render.
  explicit teskbutton(platform::ControlHost& host) : teskbutton(host, MakeRenderPainter()) {}
  teskbutton(platform::ControlHost& host, std::unique_ptr<ButtonPainter> painter);
  teskbutton(const teskbutton&) = delete;
  teskbutton& operator=(const teskbutton&) = delete;
  ~teskbutton() override;

  // --- Properties (in the order of the control's member table)
  OleColor BackColor() const { return model_.BackColor; }
  void SetBackColor(OleColor value);
  std::int32_t ButtonStyle() const { return static_cast<std::int32_t>(model_.ButtonStyle); }
  void SetButtonStyle(std::int32_t value);
  const std::string& Caption() const { return model_.Caption; }
  void SetCaption(std::string value);
  std::int32_t CaptionAlign() const { return static_cast<std::int32_t>(model_.CaptionAlign); }
  void SetCaptionAlign(std::int32_t value);
  std::int32_t DropDownSymbol() const { return model_.DropDownSymbol; }
  void SetDropDownSymbol(std::int32_t value);
  bool DropDownSeparator() const { return model_.DropDownSeparator; }
  void SetDropDownSeparator(bool value);
  std::int32_t DisabledPictureMode() const {
    return static_cast<std::int32_t>(model_.DisabledPictureMode);
  }
  void SetDisabledPictureMode(std::int32_t value);
  bool Enabled() const { return model_.Enabled; }
  void SetEnabled(bool value);
  const std::shared_ptr<platform::Font>& Font() const { return model_.mFont; }
  // Takes the object itself: later changes made through another reference reach the button.
  // An empty font is refused (the button keeps its font).
  platform::Status SetFont(std::shared_ptr<platform::Font> font);
  OleColor ForeColor() const { return model_.ForeColor; }
  void SetForeColor(OleColor value);
  OleColor ForeColorHover() const { return model_.ForeColorHover; }
  void SetForeColorHover(OleColor value);
  bool HandPointer() const { return model_.HandPointer; }
  void SetHandPointer(bool value);
  platform::WindowHandle hWnd() const { return host_.ControlWindow(); }
  OleColor MaskColor() const { return model_.MaskColor; }
  void SetMaskColor(OleColor value);
  std::int32_t Mode() const { return static_cast<std::int32_t>(model_.Mode); }
  void SetMode(std::int32_t value);
  PictureRef MouseIcon() const { return host_.MouseIcon(); }
  void SetMouseIcon(PictureRef value);
  int MousePointer() const { return host_.MousePointer(); }
  void SetMousePointer(int value);
  const PictureRef& PictureNormal() const { return model_.PictureNormal; }
  void SetPictureNormal(PictureRef value);
  const PictureRef& PictureHot() const { return model_.PictureHot; }
  void SetPictureHot(PictureRef value);
  const PictureRef& PictureDown() const { return model_.PictureDown; }
  void SetPictureDown(PictureRef value);
  std::int32_t PictureAlign() const { return static_cast<std::int32_t>(model_.PictureAlign); }
  void SetPictureAlign(std::int32_t value);
  bool PictureShadow() const { return model_.PictureShadow; }
  void SetPictureShadow(bool value);
  std::int32_t PictureEffectOnOver() const {
    return static_cast<std::int32_t>(model_.PictureEffectOnOver);
  }
  void SetPictureEffectOnOver(std::int32_t value);
  std::int32_t PictureEffectOnDown() const {
    return static_cast<std::int32_t>(model_.PictureEffectOnDown);
  }
  void SetPictureEffectOnDown(std::int32_t value);
  bool PicturePushOnHover() const { return model_.PicturePushOnHover; }
  void SetPicturePushOnHover(bool value);
  std::uint8_t PictureOpacity() const { return model_.PictureOpacity; }
  void SetPictureOpacity(std::uint8_t value);
  std::uint8_t PictureOpacityOnOver() const { return model_.PictureOpacityOnOver; }
  void SetPictureOpacityOnOver(std::uint8_t value);
  bool RightToLeft() const { return model_.RightToLeft; }
  void SetRightToLeft(bool value);
  std::int32_t CaptionEffects() const { return static_cast<std::int32_t>(model_.CaptionEffects); }
  void SetCaptionEffects(std::int32_t value);
  bool ShowFocusRect() const { return model_.ShowFocusRect; }
  void SetShowFocusRect(bool value);
  bool UseMaskColor() const { return model_.UseMaskColor; }
  void SetUseMaskColor(bool value);
  bool Value() const { return model_.Value; }
  void SetValue(bool value);
  const std::string& TooltipTitle() const { return model_.TooltipTitle; }
  void SetTooltipTitle(std::string value);
  const std::string& ToolTip() const { return model_.ToolTip; }
  void SetToolTip(std::string value);
  OleColor TooltipBackColor() const { return model_.TooltipBackColor; }
  void SetTooltipBackColor(OleColor value);
  std::int32_t ToolTipIcon() const { return static_cast<std::int32_t>(model_.ToolTipIcon); }
  void SetToolTipIcon(std::int32_t value);
  std::int32_t ToolTipType() const { return static_cast<std::int32_t>(model_.ToolTipType); }
  void SetToolTipType(std::int32_t value);
  std::int32_t ColorScheme() const { return static_cast<std::int32_t>(model_.ColorScheme); }
  void SetColorScheme(std::int32_t value);

  // --- Methods
  // Attaches a form's menu as the drop-down menu (placement and flags: drop_down_menu.h).
  void SetPopupMenu(std::shared_ptr<platform::MenuItem> menu, std::int32_t align,
                    std::optional<std::int32_t> flags = std::nullopt,
                    std::shared_ptr<platform::MenuItem> default_menu = nullptr);
  void UnsetPopupMenu();
  // Opens an address with the desktop's default handler; the result is not examined.
  void OpenWebsite(const std::string& address);
  // The control's about box.
  void about();
  // The window hooks' callback; public only so that the hooks can reach it.
  void Subclass_WndProc(bool before, bool& handled, std::intptr_t& result,
                        platform::WindowHandle& window, std::uint32_t& message,
                        std::intptr_t& wParam, std::intptr_t& lParam) override;

  // --- Control notifications
  void OnInitNew() override;
  platform::Status OnReadProperties(const platform::PropertyStore& store) override;
  void OnWriteProperties(platform::PropertyStore& store) override;
  void OnTerminate() override;
  void OnShow() override;
  void OnHide() override;
  void OnResize() override;
  void OnPaint() override;
  void OnMouseDown(int button, int shift, double x, double y) override;
  void OnMouseMove(int button, int shift, double x, double y) override;
  void OnMouseUp(int button, int shift, double x, double y) override;
  void OnDblClick() override;
  void OnGotFocus() override;
  void OnLostFocus() override;
  void OnKeyDown(int& key_code, int shift) override;
  void OnKeyPress(int& key_ascii) override;
  void OnKeyUp(int& key_code, int shift) override;
  void OnAccessKeyPress(int key_ascii) override;
  void OnAmbientChanged(std::string_view property_name) override;

  // --- ButtonCanvas
  platform::Bitmap& Surface() override { return host_.Surface(); }
  void SetWindowRegion(std::optional<platform::Region> region) override;
  bool ThemeQuery() override;
  void PropertyChanged(const char* name) override { host_.PropertyChanged(name); }
  bool UserMode() override { return host_.UserMode(); }
  // The painter set on the button, else the desktop's own visual style.
  platform::ThemePainter* Theme() override {
    return theme_painter_ != nullptr ? theme_painter_ : host_.DesktopTheme();
  }

  // The desktop's visual-style painter for the Themed style (not owned; it must outlive the
  // button). Without one the Themed style draws only its content.
  void SetThemePainter(platform::ThemePainter* painter) { theme_painter_ = painter; }

  // --- Inspection (drawing tools, containers, tests)
  const ButtonModel& Model() const { return model_; }
  const DropDownMenu& DropDown() const { return drop_down_; }
  const ButtonInput& Input() const { return input_; }
  const WindowHookTable& Hooks() const { return hooks_; }
  platform::WindowHandle mTipHwnd() const { return tooltip_.mTipHwnd(); }
  platform::WindowHandle mParentHwnd() const { return parent_window_; }
  // The window that contains the button (option buttons group by it).
  platform::WindowHandle ContainerWindow() const { return host_.ContainerWindow(); }

  // The contact line and the other lines of the about box.
  static constexpr std::string_view kAboutTitle = "About";
  static std::string AboutText();

 private:
  // ButtonActions
  void Redraw() override;
  void CreateToolTip() override;
  void RequestLeaveNotification() override;
  void ShowDropDownMenu() override;
  void ClearOptionGroup() override;

  void Changed(std::string_view property_name) { host_.PropertyChanged(property_name); }
  void RedrawAndNotify(std::string_view property_name);
  void HandleResize();
  void UpdateAccessKeys();
  void SubscribeFont();
  void FontChanged();
  void LoadHandCursor();
  void SetUpHooks();
  static bool IsEmptyPicture(const PictureRef& picture);

  platform::ControlHost& host_;
  std::unique_ptr<ButtonPainter> painter_;
  ButtonModel model_;
  DropDownMenu drop_down_;
  ButtonToolTip tooltip_;
  ButtonInput input_;
  platform::Font::Subscription font_subscription_;
  platform::WindowHandle parent_window_ = 0;  // mParentHwnd
  platform::ThemePainter* theme_painter_ = nullptr;
  bool theme_lib_checked_ = false;
  bool theme_queried_ = false;
  bool resizing_ = false;
  bool painting_ = false;
  bool terminated_ = false;
  // Last: the hooks go first when the button dies, before anything they call back into.
  WindowHookTable hooks_;
};

}  // namespace tovarin::button
