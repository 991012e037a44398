// The windows' settings and the main window's children: names, places, order and looks.
#include "shell/form_layout.h"
#include "tests/shell/shell_fixture.h"

namespace tovarin::shell::testing {
namespace {

using platform::TwipsRect;

TEST_F(ShellTest, MainWindowSettings) {
  StartShown();
  const auto& settings = window_->Settings();
  EXPECT_EQ(settings.caption, "Tovarin 1.2");
  EXPECT_EQ(settings.client_width_twips, 3660);   // 244 pixels
  EXPECT_EQ(settings.client_height_twips, 5970);  // 398 pixels
  EXPECT_TRUE(settings.borderless);
  EXPECT_FALSE(settings.show_in_taskbar);
  EXPECT_EQ(settings.back_color, 0u);
  EXPECT_EQ(settings.background_picture, "/opt/tovarin/pictures/skin.bmp");
  EXPECT_EQ(settings.icon_path, "/opt/tovarin/pictures/tovarin.ico");
}

TEST_F(ShellTest, ChildrenInStackingOrderWithTheirPlaces) {
  StartShown();
  struct Expected {
    const char* name;
    TwipsRect extent;
  };
  // Back to front.
  const std::vector<Expected> expected = {
      {"Label1", {1440, 480, 255, 255}}, {"g1", {50, 960, 3555, 4455}},
      {"W1", {60, 890, 3550, 4575}},     {"a1", {270, 0, 1455, 360}},
      {"a2", {2770, 20, 350, 345}},      {"a3", {3120, 20, 350, 345}},
      {"Picture1", {0, 680, 3610, 255}}, {"Picture2", {50, 5370, 3615, 135}},
      {"Check1", {210, 5590, 210, 199}}, {"Picture3", {20, 840, 80, 4575}},
      {"Text1", {120, 480, 1290, 255}},
  };
  const auto& order = window_->StackingOrder();
  ASSERT_EQ(order.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(order[i]->Name(), expected[i].name);
    // Start-up resizes nothing; only the timer does.
    EXPECT_EQ(order[i]->Extent(), expected[i].extent) << expected[i].name;
  }
}

TEST_F(ShellTest, PlainControlSettings) {
  StartShown();
  const auto layout = Form1Children("/p");
  auto find = [&](const std::string& name) {
    for (const auto& child : layout) {
      if (child.settings.name == name) return child.settings;
    }
    return platform::ChildSettings{};
  };
  EXPECT_EQ(find("Text1").caption, "按Enter访问");
  EXPECT_EQ(find("Text1").font_name, "宋体");
  EXPECT_DOUBLE_EQ(find("Text1").font_points, 10.5);
  EXPECT_EQ(find("Label1").caption, "×");
  EXPECT_EQ(find("Label1").fore_color, 255u);
  EXPECT_EQ(find("Label1").back_color, 0x80000005u);
  EXPECT_EQ(find("Label1").tool_tip, "关闭输入栏");
  EXPECT_EQ(find("Label1").cursor_icon_path, "/p/tovarin.ico");
  EXPECT_EQ(find("Check1").caption, "停止");
  EXPECT_EQ(find("Check1").tool_tip, "停止载入");
  EXPECT_EQ(find("Picture1").picture_path, "/p/picture1.bmp");
  EXPECT_EQ(find("Picture2").picture_path, "/p/picture2.bmp");
  EXPECT_EQ(find("Picture3").picture_path, "/p/picture3.bmp");
  EXPECT_EQ(find("a1").tool_tip, "主菜单");
  EXPECT_EQ(find("a2").tool_tip, "最小化");
  EXPECT_EQ(find("a3").tool_tip, "关闭");
}

}  // namespace
}  // namespace tovarin::shell::testing
