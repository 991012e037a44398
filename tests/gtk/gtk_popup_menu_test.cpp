#include "platform/gtk/gtk_popup_menu.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/gtk/gtk_desktop.h"
#include "tests/gtk/main_loop_waits.h"

namespace tovarin::platform::gtk {
namespace {

using std::chrono::milliseconds;

std::vector<std::string> ShownNames(GtkMenu* menu) {
  std::vector<std::string> names;
  GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList* l = children; l != nullptr; l = l->next) {
    auto* widget = static_cast<GtkWidget*>(l->data);
    names.push_back(GTK_IS_SEPARATOR_MENU_ITEM(widget) ? "-" : gtk_widget_get_name(widget));
  }
  g_list_free(children);
  return names;
}

// Menus popped up over a shown window on the real X server (Xvfb); a test picks an item or
// dismisses the menu from inside the nested loop, as a click would.
class GtkPopupMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
    desktop_ = std::make_unique<GtkDesktop>();
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window_), 200, 150);
    area_ = gtk_drawing_area_new();
    gtk_container_add(GTK_CONTAINER(window_), area_);
    gtk_widget_show_all(window_);
    ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(area_); }));
    RunFor(milliseconds(30));
    for (const char* name : {"open", "about"}) Add(menu_, name, "&" + std::string(name));
  }
  void TearDown() override {
    if (window_ != nullptr) gtk_widget_destroy(window_);
    RunFor(milliseconds(10));
    desktop_.reset();
  }
  std::shared_ptr<MenuItem> Add(MenuItem& parent, const std::string& name,
                                const std::string& caption) {
    auto item = std::make_shared<MenuItem>();
    item->name = name;
    item->caption = caption;
    item->on_click = [this, name] { log_.push_back("handler " + name); };
    parent.children.push_back(item);
    return item;
  }
  std::string Run(const MenuItem* default_item = nullptr) {
    const auto placement = PlacementInWidget(area_, 10, 10, 0);
    EXPECT_TRUE(placement.has_value());
    const std::string chosen = RunPopupMenu(*desktop_, menu_, *placement, default_item);
    log_.push_back("returned " + chosen);
    return chosen;
  }

  std::unique_ptr<GtkDesktop> desktop_;
  GtkWidget* window_ = nullptr;
  GtkWidget* area_ = nullptr;
  MenuItem menu_;
  std::vector<std::string> log_;
};

TEST_F(GtkPopupMenuTest, TheChosenHandlerRunsBeforeTheCallReturns) {
  // The item is activated from a timeout inside the menu's nested loop, as GTK does on a click.
  GtkMenu* shown = nullptr;
  desktop_->SetPopupObserver([&](GtkMenu* menu) {
    shown = menu;
    log_.push_back("shown");
    g_timeout_add(
        20,
        [](gpointer data) -> gboolean {
          auto* open_menu = static_cast<GtkMenu*>(data);
          gtk_menu_shell_activate_item(GTK_MENU_SHELL(open_menu), FindMenuItem(open_menu, "about"),
                                       TRUE);
          return G_SOURCE_REMOVE;
        },
        menu);
  });
  EXPECT_EQ(Run(), "about");
  EXPECT_NE(shown, nullptr);
  EXPECT_EQ(log_, (std::vector<std::string>{"shown", "handler about", "returned about"}));
}

TEST_F(GtkPopupMenuTest, ADismissedMenuReturnsNothingAndRunsNoHandler) {
  desktop_->SetPopupObserver([&](GtkMenu* menu) {
    g_idle_add(
        [](gpointer data) -> gboolean {
          gtk_menu_shell_cancel(GTK_MENU_SHELL(data));
          return G_SOURCE_REMOVE;
        },
        menu);
  });
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(log_, (std::vector<std::string>{"returned "}));
}

TEST_F(GtkPopupMenuTest, SubmenuItemsAreChosenLikeTopLevelOnes) {
  auto web = Add(menu_, "web", "Web");
  web->on_click = nullptr;
  Add(*web, "portal1", "Portal &1");
  Add(*web, "portal2", "Portal &2");
  desktop_->SetPopupObserver([](GtkMenu* menu) { EXPECT_TRUE(ChooseMenuItem(menu, "portal2")); });
  EXPECT_EQ(Run(), "portal2");
  EXPECT_EQ(log_, (std::vector<std::string>{"handler portal2", "returned portal2"}));
}

TEST_F(GtkPopupMenuTest, WhatTheMenuShows) {
  Add(menu_, "sep", "-");
  auto hidden = Add(menu_, "hidden", "Hidden");
  hidden->visible = false;
  auto off = Add(menu_, "off", "Off");
  off->enabled = false;
  auto ticked = Add(menu_, "ticked", "Ticked");
  ticked->checked = true;
  Add(menu_, "amp", "Salt && Pepper_");
  std::vector<std::string> names;
  std::string default_markup, amp_markup;
  bool off_chosen = true;
  bool ticked_active = false;
  desktop_->SetPopupObserver([&](GtkMenu* menu) {
    names = ShownNames(menu);
    default_markup = MenuItemMarkup(menu, "about");
    amp_markup = MenuItemMarkup(menu, "amp");
    off_chosen = ChooseMenuItem(menu, "off");
    GtkWidget* tick = FindMenuItem(menu, "ticked");
    ticked_active =
        GTK_IS_CHECK_MENU_ITEM(tick) && gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(tick));
    EXPECT_FALSE(ChooseMenuItem(menu, "hidden"));
    DismissMenu(menu);
  });
  EXPECT_EQ(Run(menu_.children[1].get()), "");
  EXPECT_EQ(names, (std::vector<std::string>{"open", "about", "-", "off", "ticked", "amp"}));
  EXPECT_EQ(default_markup, "<b>_about</b>");
  EXPECT_EQ(amp_markup, "Salt & Pepper__");
  EXPECT_FALSE(off_chosen);
  EXPECT_TRUE(ticked_active);
}

TEST_F(GtkPopupMenuTest, AHandlerMayRebuildTheMenuTree) {
  menu_.children[0]->on_click = [this] {
    menu_.children.clear();  // the chosen item stays alive until the call returns
    log_.push_back("rebuilt");
  };
  desktop_->SetPopupObserver([](GtkMenu* menu) { EXPECT_TRUE(ChooseMenuItem(menu, "open")); });
  EXPECT_EQ(Run(), "open");
  EXPECT_EQ(log_, (std::vector<std::string>{"rebuilt", "returned open"}));
}

TEST_F(GtkPopupMenuTest, AHandlersExceptionReachesTheCaller) {
  menu_.children[1]->on_click = [] { throw std::runtime_error("handler failed"); };
  desktop_->SetPopupObserver([](GtkMenu* menu) { EXPECT_TRUE(ChooseMenuItem(menu, "about")); });
  const auto placement = PlacementInWidget(area_, 0, 0, kPopupRightAlign | kPopupBottomAlign);
  ASSERT_TRUE(placement.has_value());
  EXPECT_THROW(RunPopupMenu(*desktop_, menu_, *placement, nullptr), std::runtime_error);
}

TEST_F(GtkPopupMenuTest, AMenuAtThePointerOutsideAnyEventStillOpens) {
  desktop_->SetPopupObserver([](GtkMenu* menu) { EXPECT_TRUE(ChooseMenuItem(menu, "open")); });
  EXPECT_EQ(RunPopupMenu(*desktop_, menu_, PopupPlacement{}, nullptr), "open");
  EXPECT_EQ(log_, (std::vector<std::string>{"handler open"}));
}

TEST_F(GtkPopupMenuTest, AnAnchorNotOnScreenHasNoPlacement) {
  GtkWidget* unshown = gtk_drawing_area_new();
  g_object_ref_sink(unshown);
  EXPECT_FALSE(PlacementInWidget(unshown, 0, 0, 0).has_value());
  EXPECT_FALSE(PlacementInWidget(nullptr, 0, 0, 0).has_value());
  g_object_unref(unshown);
  const auto placement = PlacementInWidget(area_, 5, 7, kPopupRightAlign);
  ASSERT_TRUE(placement.has_value());
  EXPECT_EQ(placement->window, gtk_widget_get_window(area_));
  EXPECT_EQ(placement->flags, unsigned{kPopupRightAlign});
}

}  // namespace
}  // namespace tovarin::platform::gtk
