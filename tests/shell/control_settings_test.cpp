// The saved settings Form1 gives its buttons and its loading animation.
#include "shell/control_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/shell/shell_fixture.h"

namespace tovarin::shell::testing {
namespace {

std::int32_t Int(const platform::PropertyStore& store, const char* key) {
  auto value = store.ReadInt32(key, -12345);
  return value ? value.value() : -99999;
}

TEST(ControlSettingsTest, MenuButton) {
  const auto store = ButtonSettings("a1", "/nowhere");
  EXPECT_EQ(Int(store, "_ExtentX"), 2566);
  EXPECT_EQ(Int(store, "_extenty"), 635);
  EXPECT_EQ(Int(store, "ButtonStyle"), 13);
  EXPECT_EQ(Int(store, "BackColor"), 16765357);
  EXPECT_EQ(Int(store, "PictureEffectOnOver"), 0);
  EXPECT_EQ(Int(store, "PictureEffectOnDown"), 0);
  EXPECT_EQ(Int(store, "CaptionEffects"), 0);
  EXPECT_EQ(Int(store, "TooltipBackColor"), 0);
  EXPECT_FALSE(store.Has("ForeColor"));
  EXPECT_FALSE(store.Has("PicturePushOnHover"));
  EXPECT_EQ(store.ReadString("Caption", "x").value(), "");
  EXPECT_EQ(store.ReadString("ToolTip", "").value(), "主菜单");
  const auto font = store.ReadFont("Font", {}).value();
  EXPECT_EQ(font.name, "Tahoma");
  EXPECT_DOUBLE_EQ(font.size_points, 8.25);
  EXPECT_EQ(font.weight, 400);
  EXPECT_EQ(font.charset, 0);
  // Pictures that cannot be read are left out.
  EXPECT_FALSE(store.Has("PictureNormal"));
}

TEST(ControlSettingsTest, HideAndExitButtons) {
  const auto hide = ButtonSettings("a2", "/nowhere");
  EXPECT_EQ(Int(hide, "_extentx"), 609);
  EXPECT_EQ(Int(hide, "ButtonStyle"), 5);
  EXPECT_EQ(Int(hide, "BackColor"), 16572874);
  EXPECT_EQ(Int(hide, "ForeColor"), 16711680);
  EXPECT_EQ(Int(hide, "ForeColorHover"), 16711680);
  EXPECT_EQ(hide.ReadString("ToolTip", "").value(), "最小化");
  EXPECT_FALSE(hide.Has("DisabledPictureMode"));
  const auto exit = ButtonSettings("a3", "/nowhere");
  EXPECT_EQ(Int(exit, "ButtonStyle"), 5);
  EXPECT_FALSE(exit.Has("ForeColor"));
  EXPECT_TRUE(exit.ReadBool("PicturePushOnHover", false).value());
  EXPECT_EQ(Int(exit, "DisabledPictureMode"), 1);
  EXPECT_EQ(exit.ReadString("ToolTip", "").value(), "关闭");
  EXPECT_TRUE(ButtonSettings("b9", "/nowhere").IsEmpty());
}

TEST(ControlSettingsTest, LoadingAnimationCarriesTheGifBytes) {
  const auto folder = std::filesystem::temp_directory_path() / "tovarin-control-settings-test";
  std::filesystem::create_directories(folder);
  const std::string gif = "GIF89a-not-really";
  std::ofstream(folder / "loading.gif", std::ios::binary) << gif;
  const auto store = LoadingAnimationSettings(folder.string());
  EXPECT_EQ(Int(store, "_extentx"), 6271);
  EXPECT_EQ(Int(store, "_extenty"), 7858);
  EXPECT_EQ(store.ReadBytes("GIF", {}).value(), platform::Bytes(gif.begin(), gif.end()));
  EXPECT_EQ(store.Keys().size(), 3u);
  EXPECT_FALSE(LoadingAnimationSettings("/nowhere").Has("gif"));
}

TEST_F(ShellTest, ControlsAreHostedWithTheirSavedSettings) {
  StartShown();
  for (const char* name : {"a1", "a2", "a3", "g1"}) {
    ASSERT_EQ(window_->Clickable(name)->Kind(), headless::ScriptedChildKind::kControl) << name;
  }
  EXPECT_EQ(Int(window_->Clickable("a2")->Saved(), "buttonstyle"), 5);
  EXPECT_EQ(Int(window_->Clickable("g1")->Saved(), "_extentx"), 6271);
  EXPECT_EQ(window_->Clickable("Picture1")->Kind(), headless::ScriptedChildKind::kPicture);
}

}  // namespace
}  // namespace tovarin::shell::testing
