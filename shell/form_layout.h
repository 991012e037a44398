#pragma once
// The look of the program's windows: frame, size, caption, icon and background picture of each
// window, and for Form1 every control's name, place (twips), look and stacking order. The
// pictures are files in the picture folder, generated when the program is built.

#include <string>
#include <vector>

#include "platform/host/form_child.h"
#include "platform/host/form_window.h"
#include "platform/host/tray_icon.h"

namespace tovarin::shell {

// File names of the generated pictures, relative to the picture folder.
namespace picture_files {
inline constexpr const char* kProgramIcon = "tovarin.ico";
inline constexpr const char* kSkin = "skin.bmp";
inline constexpr const char* kPicture1 = "picture1.bmp";
inline constexpr const char* kPicture2 = "picture2.bmp";
inline constexpr const char* kPicture3 = "picture3.bmp";
inline constexpr const char* kAbout = "about.bmp";
inline constexpr const char* kMenuButton = "a1_normal.bmp";
inline constexpr const char* kHideButton = "a2_normal.bmp";
inline constexpr const char* kExitButton = "a3_normal.bmp";
inline constexpr const char* kLoadingAnimation = "loading.gif";
}  // namespace picture_files

// Form1's client area: 3660 x 5970 twips (244 x 398 pixels).
inline constexpr int kForm1WidthTwips = 3660;
inline constexpr int kForm1HeightTwips = 5970;
// form3's client area: 4500 x 3000 twips (300 x 200 pixels).
inline constexpr int kForm3WidthTwips = 4500;
inline constexpr int kForm3HeightTwips = 3000;

// What kind of child a layout entry makes.
enum class ChildKind { kTextBox, kPicture, kCheckBox, kControl, kBrowserView, kLabel };

struct ChildLayout {
  ChildKind kind;
  platform::ChildSettings settings;
};

platform::FormWindowSettings Form1WindowSettings(const std::string& picture_folder);
platform::FormWindowSettings Form3WindowSettings(const std::string& picture_folder);
platform::TrayIconSettings TraySettings(const std::string& picture_folder);

// Form1's children from back to front (the reverse of the front-to-back table of the layout):
// Label1, g1, W1, a1, a2, a3, Picture1, Picture2, Check1, Picture3, Text1.
std::vector<ChildLayout> Form1Children(const std::string& picture_folder);

}  // namespace tovarin::shell
