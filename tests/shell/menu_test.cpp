// The command and error menus of Form2 and what every item does.
#include "platform/host/menu.h"

#include "tests/shell/shell_fixture.h"

namespace tovarin::shell::testing {
namespace {

struct ExpectedItem {
  const char* name;
  const char* caption;
  int shortcut;
  const char* label;
};

TEST_F(ShellTest, CommandMenuTreeHasExactCaptionsAndShortcuts) {
  StartShown();
  Form2& form2 = application_->form2();
  EXPECT_EQ(form2.Caption(), "Form2");
  const std::vector<ExpectedItem> top = {
      {"open", "打开", 15, "Ctrl+O"},
      {"shu", "输入网址", 19, "Ctrl+S"},
      {"web", "网址", 0, ""},
      {"q", "-", 0, ""},
      {"page", "主页", 13, "Ctrl+M"},
      {"about", "关于", 1, "Ctrl+A"},
      {"y", "-", 0, ""},
      {"exit", "退出", 5, "Ctrl+E"},
  };
  const auto& children = form2.choose().children;
  ASSERT_EQ(children.size(), top.size());
  for (std::size_t i = 0; i < top.size(); ++i) {
    EXPECT_EQ(children[i]->name, top[i].name);
    EXPECT_EQ(children[i]->caption, top[i].caption);
    EXPECT_EQ(children[i]->shortcut, top[i].shortcut);
    EXPECT_EQ(platform::ShortcutLabel(children[i]->shortcut), top[i].label);
  }
  EXPECT_TRUE(children[3]->IsSeparator());
  const std::vector<ExpectedItem> web = {
      {"tengxun", "腾讯网|通道2", 27, "F1"}, {"lexin", "乐讯网", 28, "F2"},
      {"feiku", "飞库网", 29, "F3"},         {"baoruan", "宝软网", 30, "F4"},
      {"dangle", "当乐网", 31, "F5"},        {"baidu", "百度网", 32, "F6"},
  };
  const auto& submenu = children[2]->children;
  ASSERT_EQ(submenu.size(), web.size());
  for (std::size_t i = 0; i < web.size(); ++i) {
    EXPECT_EQ(submenu[i]->name, web[i].name);
    EXPECT_EQ(submenu[i]->caption, web[i].caption);
    EXPECT_EQ(platform::ShortcutLabel(submenu[i]->shortcut), web[i].label);
  }
  ASSERT_EQ(form2.error().children.size(), 1u);
  EXPECT_EQ(form2.error().name, "error");
  EXPECT_EQ(form2.error().children[0]->caption, "您输入的网址不合法！");
  EXPECT_EQ(form2.error().children[0]->shortcut, 0);
}

TEST_F(ShellTest, BookmarksNavigateThroughServiceOrSimulator) {
  StartShown();
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"lexin", Service("http://wap.lexun.com")},
      {"feiku", Service("http://wap.feiku.com")},
      {"baoruan", Service("http://wap.baoruan.com")},
      {"dangle", Service("http://wap.d.cn")},
      {"baidu", Service("http://wap.baidu.com")},
      {"tengxun",
       "http://sim.test/simulator/crawldata_r.jsp?rf=y&url=http%3A%2F%2Finfo.3g.qq.com"
       "%2Fg%2Fs%3Faid%3Dindex%26s_it%3D1%26g_from%3D3gindex%26%26g_f%3D1283"},
  };
  for (const auto& [item, url] : expected) {
    SCOPED_TRACE(item);
    toolkit_.QueueMenuChoice(item);
    a1_->Click();
    EXPECT_EQ(window_->Popups().back().chosen, item);
    EXPECT_EQ(view_->Navigations().back(), url);
  }
  // Bookmarks leave the address box alone.
  EXPECT_EQ(text1_->Text(), "按Enter访问");
  EXPECT_FALSE(text1_->Visible());
}

TEST_F(ShellTest, HomePageOpensInTheDesktopBrowser) {
  StartShown();
  toolkit_.QueueMenuChoice("page");
  a1_->Click();
  EXPECT_EQ(toolkit_.OpenedAddresses(), std::vector<std::string>{"http://home.test/"});
  EXPECT_EQ(view_->Navigations().size(), 1u);
}

TEST_F(ShellTest, OpenItemCannotBeChosenFromTheMenuButton) {
  StartShown();
  a2_->Click();  // hidden
  toolkit_.QueueMenuChoice("open");
  a1_->Click();
  EXPECT_EQ(window_->Popups().back().chosen, "");
  EXPECT_FALSE(window_->Visible());
}

TEST_F(ShellTest, AboutShowsOneSplashHowOftenItIsChosen) {
  StartShown();
  toolkit_.QueueMenuChoice("about");
  a1_->Click();
  toolkit_.QueueMenuChoice("about");
  a1_->Click();
  int splashes = 0;
  for (auto* window : toolkit_.Windows()) splashes += window->Caption() == "关于" ? 1 : 0;
  EXPECT_EQ(splashes, 1);
  auto* splash = toolkit_.WindowWithCaption("关于");
  ASSERT_NE(splash, nullptr);
  EXPECT_TRUE(splash->Visible());
  EXPECT_EQ(splash->Settings().client_width_twips, 4500);
  EXPECT_EQ(splash->Settings().client_height_twips, 3000);
  EXPECT_TRUE(splash->Settings().borderless);
  EXPECT_EQ(splash->Settings().background_picture, "/opt/tovarin/pictures/about.bmp");
}

TEST_F(ShellTest, ClickingTheSplashUnloadsItAndTheProgramGoesOn) {
  StartShown();
  toolkit_.QueueMenuChoice("about");
  a1_->Click();
  toolkit_.WindowWithCaption("关于")->ClickSurface();
  EXPECT_EQ(application_->form3(), nullptr);
  toolkit_.RunPendingTasks();
  EXPECT_EQ(toolkit_.WindowWithCaption("关于"), nullptr);
  EXPECT_FALSE(toolkit_.QuitCode().has_value());
  // It can be shown again.
  toolkit_.QueueMenuChoice("about");
  a1_->Click();
  EXPECT_NE(toolkit_.WindowWithCaption("关于"), nullptr);
}

TEST_F(ShellTest, Form2IsMadeOnFirstPopupOnly) {
  StartShown();
  // Nothing has referred to Form2 yet: a started program has popped up nothing.
  EXPECT_TRUE(window_->Popups().empty());
  a1_->Click();
  Form2* first = &application_->form2();
  a1_->Click();
  EXPECT_EQ(first, &application_->form2());
}

}  // namespace
}  // namespace tovarin::shell::testing
