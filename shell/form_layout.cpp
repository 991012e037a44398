#include "shell/form_layout.h"

namespace tovarin::shell {
namespace {

using platform::ChildSettings;
using platform::TwipsRect;

constexpr std::uint32_t kBlack = 0;
constexpr std::uint32_t kRed = 255;  // RGB(255, 0, 0)
constexpr std::uint32_t kSystemWindow = 0x80000005;
constexpr std::uint32_t kSystemWindowText = 0x80000008;

std::string PicturePath(const std::string& folder, const char* file) { return folder + "/" + file; }

ChildSettings Child(const char* name, TwipsRect extent) {
  ChildSettings settings;
  settings.name = name;
  settings.extent = extent;
  return settings;
}

ChildSettings Strip(const char* name, TwipsRect extent, const std::string& picture) {
  ChildSettings settings = Child(name, extent);
  settings.picture_path = picture;
  settings.back_color = kSystemWindow;
  settings.fore_color = kSystemWindowText;
  return settings;
}

}  // namespace

platform::FormWindowSettings Form1WindowSettings(const std::string& picture_folder) {
  platform::FormWindowSettings settings;
  settings.caption = "Tovarin 1.2";
  settings.client_width_twips = kForm1WidthTwips;
  settings.client_height_twips = kForm1HeightTwips;
  settings.back_color = kBlack;
  settings.background_picture = PicturePath(picture_folder, picture_files::kSkin);
  settings.icon_path = PicturePath(picture_folder, picture_files::kProgramIcon);
  settings.borderless = true;
  settings.show_in_taskbar = false;
  return settings;
}

platform::FormWindowSettings Form3WindowSettings(const std::string& picture_folder) {
  platform::FormWindowSettings settings;
  settings.caption = "关于";
  settings.client_width_twips = kForm3WidthTwips;
  settings.client_height_twips = kForm3HeightTwips;
  settings.background_picture = PicturePath(picture_folder, picture_files::kAbout);
  settings.icon_path = PicturePath(picture_folder, picture_files::kProgramIcon);
  settings.borderless = true;
  settings.show_in_taskbar = false;
  return settings;
}

platform::TrayIconSettings TraySettings(const std::string& picture_folder) {
  platform::TrayIconSettings settings;
  settings.in_tray = true;
  settings.icon_path = PicturePath(picture_folder, picture_files::kProgramIcon);
  settings.tool_tip = "Tovarin1.2";
  return settings;
}

std::vector<ChildLayout> Form1Children(const std::string& picture_folder) {
  std::vector<ChildLayout> children;

  ChildSettings label1 = Child("Label1", {1440, 480, 255, 255});
  label1.caption = "×";
  label1.fore_color = kRed;
  label1.back_color = kSystemWindow;
  label1.font_name = "宋体";
  label1.font_points = 10.5;
  label1.tool_tip = "关闭输入栏";
  label1.cursor_icon_path = PicturePath(picture_folder, picture_files::kProgramIcon);
  children.push_back({ChildKind::kLabel, label1});

  ChildSettings g1 = Child("g1", {50, 960, 3555, 4455});
  g1.picture_path = PicturePath(picture_folder, picture_files::kLoadingAnimation);
  children.push_back({ChildKind::kControl, g1});

  children.push_back({ChildKind::kBrowserView, Child("W1", {60, 890, 3550, 4575})});

  ChildSettings a1 = Child("a1", {270, 0, 1455, 360});
  a1.tool_tip = "主菜单";
  a1.picture_path = PicturePath(picture_folder, picture_files::kMenuButton);
  children.push_back({ChildKind::kControl, a1});
  ChildSettings a2 = Child("a2", {2770, 20, 350, 345});
  a2.tool_tip = "最小化";
  a2.picture_path = PicturePath(picture_folder, picture_files::kHideButton);
  children.push_back({ChildKind::kControl, a2});
  ChildSettings a3 = Child("a3", {3120, 20, 350, 345});
  a3.tool_tip = "关闭";
  a3.picture_path = PicturePath(picture_folder, picture_files::kExitButton);
  children.push_back({ChildKind::kControl, a3});

  children.push_back(
      {ChildKind::kPicture, Strip("Picture1", {0, 680, 3610, 255},
                                  PicturePath(picture_folder, picture_files::kPicture1))});
  children.push_back(
      {ChildKind::kPicture, Strip("Picture2", {50, 5370, 3615, 135},
                                  PicturePath(picture_folder, picture_files::kPicture2))});

  ChildSettings check1 = Child("Check1", {210, 5590, 210, 199});
  check1.caption = "停止";
  check1.tool_tip = "停止载入";
  check1.back_color = kSystemWindow;
  check1.fore_color = kSystemWindowText;
  children.push_back({ChildKind::kCheckBox, check1});

  children.push_back(
      {ChildKind::kPicture, Strip("Picture3", {20, 840, 80, 4575},
                                  PicturePath(picture_folder, picture_files::kPicture3))});

  ChildSettings text1 = Child("Text1", {120, 480, 1290, 255});
  text1.caption = "按Enter访问";
  text1.font_name = "宋体";
  text1.font_points = 10.5;
  text1.back_color = kSystemWindow;
  text1.fore_color = kSystemWindowText;
  children.push_back({ChildKind::kTextBox, text1});
  return children;
}

}  // namespace tovarin::shell
