// The drop-down menu: placements and flags, the press paths with a menu attached, and the
// periphery (OpenWebsite, about).

#include "button/drop_down_menu.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "button_test_support.h"

namespace tovarin::button::testing {
namespace {

using Names = std::vector<std::string>;
using platform::kLeftButton;
using platform::MenuItem;

TEST(PopupPlacement, EightPlacements) {
  struct Case {
    PopupAlignValue align;
    std::int32_t given;
    int x, y;
    std::int32_t flags;
    bool stored;
  };
  // Button of 80 x 24 pixels.
  const Case cases[] = {
      {PopupAlignValue::kBelow, 4, 0, 24, 4, false},
      {PopupAlignValue::kAbove, 4, 0, 0, 32, true},
      {PopupAlignValue::kLeftSide, 4, 0, 0, 12, true},
      {PopupAlignValue::kRightSide, 4, 80, 0, 4, false},
      {PopupAlignValue::kAboveLeft, 4, 0, 0, 40, true},
      {PopupAlignValue::kBelowLeft, 4, 0, 24, 12, true},
      {PopupAlignValue::kAboveRight, 4, 80, 0, 32, true},
      {PopupAlignValue::kBelowRight, 4, 80, 24, 4, false},
      {PopupAlignValue::kLeftSide, 0, 0, 0, 8, true},
      {PopupAlignValue::kBelowLeft, 8, 0, 24, 8, true},
  };
  for (const Case& c : cases) {
    const int align = static_cast<int>(c.align);
    const auto placement = ComputePopupPlacement(c.align, c.given, 80, 24);
    ASSERT_TRUE(placement.has_value()) << align;
    EXPECT_EQ(placement->x, c.x) << align;
    EXPECT_EQ(placement->y, c.y) << align;
    EXPECT_EQ(placement->flags, c.flags) << align;
    EXPECT_EQ(placement->store_flags, c.stored) << align;
  }
  EXPECT_FALSE(ComputePopupPlacement(PopupAlignValue{8}, 0, 80, 24).has_value());
  EXPECT_FALSE(ComputePopupPlacement(PopupAlignValue{-1}, 0, 80, 24).has_value());
}

class DropDownTest : public ButtonFixture {
 protected:
  void SetUp() override {
    menu_ = std::make_shared<MenuItem>();
    menu_->name = "mnuTools";
    menu_->caption = "Tools";
    for (const char* name : {"open", "close"}) {
      auto item = std::make_shared<MenuItem>();
      item->name = name;
      item->caption = name;
      item->on_click = [this, name] { chosen_.push_back(name); };
      menu_->children.push_back(item);
    }
  }

  // A run-time button with the pointer over it.
  PlacedButton& ButtonWithMenu(std::int32_t align, std::optional<std::int32_t> flags,
                               std::shared_ptr<MenuItem> default_item = nullptr) {
    PlacedButton& placed =
        LoadedButton(StoreWith(), {.name = "b" + std::to_string(buttons_.size())});
    placed->SetPopupMenu(menu_, align, flags, std::move(default_item));
    placed.host->MouseMove(10, 10);
    placed.ClearRecords();
    return placed;
  }

  const std::vector<platform::headless::PopupRecord>& Popups() {
    return desktop_.Menus().Records();
  }

  // While the menu is open the menu holds the mouse and the pointer goes elsewhere (and
  // optionally comes back over the button before the menu closes).
  void PointerLeavesWhileOpen(PlacedButton& placed, bool comes_back) {
    desktop_.Menus().SetWhileOpen([this, &placed, comes_back] {
      auto& windows = desktop_.Windows();
      windows.ReleaseCapture();
      const platform::Point origin = placed.host->ScreenOrigin();
      windows.MovePointer({origin.x + 500, origin.y + 500});
      if (comes_back) windows.MovePointer({origin.x + 10, origin.y + 10});
    });
  }

  std::shared_ptr<MenuItem> menu_;
  std::vector<std::string> chosen_;
};

TEST_F(DropDownTest, PressOpensTheMenuInsteadOfRaisingEvents) {
  PlacedButton& placed = ButtonWithMenu(0, 0);
  desktop_.Menus().QueueChoice("close");
  placed.host->MouseDown(kLeftButton, 10, 10);
  ASSERT_EQ(Popups().size(), 1u);
  EXPECT_EQ(Popups()[0].menu_name, "mnuTools");
  EXPECT_EQ(Popups()[0].x, 0);
  EXPECT_EQ(Popups()[0].y, 24);
  EXPECT_EQ(Popups()[0].chosen, "close");
  EXPECT_EQ(chosen_, Names{"close"});  // the handler ran before the press returned
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateDown);
  placed.host->MouseUp(kLeftButton, 10, 10);
  EXPECT_TRUE(placed.events().empty());  // neither MouseDown nor Click nor MouseUp
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
  EXPECT_FALSE(placed->DropDown().Flags().mMenuShown);
}

TEST_F(DropDownTest, PlacementTwoKeepsFlagsEightAndFiveStoresTwelve) {
  PlacedButton& left = ButtonWithMenu(2, 8);
  left.host->Click(10, 10);
  ASSERT_EQ(Popups().size(), 1u);
  EXPECT_EQ(Popups()[0].flags, 8u);
  EXPECT_EQ(left->DropDown().PopupFlags(), 8);

  PlacedButton& below_left = ButtonWithMenu(5, 4);
  EXPECT_EQ(below_left->DropDown().PopupFlags(), 4);
  below_left.host->Click(10, 10);
  EXPECT_EQ(below_left->DropDown().PopupFlags(), 12);
  below_left.host->Click(10, 10);
  ASSERT_EQ(Popups().size(), 3u);
  EXPECT_EQ(Popups()[1].flags, 12u);
  EXPECT_EQ(Popups()[2].flags, 12u);
  EXPECT_EQ(Popups()[2].x, 0);
  EXPECT_EQ(Popups()[2].y, 24);
}

TEST_F(DropDownTest, AboveRightOpensAtTheTopRightCorner) {
  PlacedButton& placed = ButtonWithMenu(6, 0);
  placed.host->Click(10, 10);
  ASSERT_EQ(Popups().size(), 1u);
  EXPECT_EQ(Popups()[0].x, 80);
  EXPECT_EQ(Popups()[0].y, 0);
  EXPECT_EQ(Popups()[0].flags, 32u);
}

TEST_F(DropDownTest, APressWhileTheMenuIsOpenDoesNotReopenIt) {
  PlacedButton& placed = ButtonWithMenu(0, 0);
  PointerLeavesWhileOpen(placed, /*comes_back=*/true);
  placed.host->MouseDown(kLeftButton, 10, 10);  // opens; its release is taken by the menu
  ASSERT_EQ(Popups().size(), 1u);
  EXPECT_TRUE(placed->DropDown().Flags().mMenuShown);
  EXPECT_FALSE(placed->DropDown().Flags().mMenuPending);
  EXPECT_TRUE(placed.events().empty());  // the leave while the menu opened raised nothing
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateDown);

  desktop_.Menus().SetWhileOpen(nullptr);
  placed.host->MouseDown(kLeftButton, 10, 10);  // the press that closed the menu
  EXPECT_EQ(Popups().size(), 1u);
  placed.host->MouseUp(kLeftButton, 10, 10);
  EXPECT_FALSE(placed->DropDown().Flags().mMenuShown);
  placed.host->MouseDown(kLeftButton, 10, 10);  // the next press opens it again
  EXPECT_EQ(Popups().size(), 2u);
  EXPECT_TRUE(placed.events().empty());
}

TEST_F(DropDownTest, MenuClosedWithThePointerElsewhereReturnsTheButtonToNormal) {
  PlacedButton& placed = ButtonWithMenu(0, 0);
  PointerLeavesWhileOpen(placed, /*comes_back=*/false);
  desktop_.Menus().QueueChoice("open");
  placed.host->MouseDown(kLeftButton, 10, 10);
  const DropDownFlags& flags = placed->DropDown().Flags();
  EXPECT_FALSE(flags.mMenuShown);
  EXPECT_FALSE(flags.mMenuPending);
  EXPECT_FALSE(placed.model().mMouseDown);
  EXPECT_FALSE(placed.model().mMouseOver);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
  EXPECT_EQ(chosen_, Names{"open"});
  EXPECT_TRUE(placed.events().empty());
}

TEST_F(DropDownTest, PlacementOutOfRangeOpensNothingButThePressStillShows) {
  PlacedButton& placed = ButtonWithMenu(8, 0);
  placed.host->MouseDown(kLeftButton, 10, 10);
  EXPECT_TRUE(Popups().empty());
  EXPECT_FALSE(placed->DropDown().Flags().mMenuPending);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateDown);
  placed.host->MouseUp(kLeftButton, 10, 10);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
  EXPECT_TRUE(placed.events().empty());
}

TEST_F(DropDownTest, DefaultItemIsPassedToTheMenu) {
  PlacedButton& placed = ButtonWithMenu(0, 0, menu_->children[1]);
  placed.host->Click(10, 10);
  ASSERT_EQ(Popups().size(), 1u);
  EXPECT_EQ(Popups()[0].default_item, "close");
}

TEST_F(DropDownTest, DoubleClickOpensTheMenuOnEachPress) {
  PlacedButton& placed = ButtonWithMenu(0, 0);
  placed.host->DoubleClick(10, 10);
  EXPECT_EQ(Popups().size(), 2u);
  EXPECT_TRUE(placed.events().empty());
}

TEST_F(DropDownTest, EmptyMenuIsIgnoredAndMissingFlagsMeanNone) {
  PlacedButton& placed = LoadedButton(StoreWith());
  placed->SetPopupMenu(nullptr, 3, 8);
  EXPECT_FALSE(placed->DropDown().Flags().mPopupSet);
  EXPECT_EQ(placed->DropDown().PopupAlign(), 0);

  placed->SetPopupMenu(menu_, 3);
  EXPECT_TRUE(placed->DropDown().Flags().mPopupSet);
  EXPECT_EQ(placed->DropDown().PopupAlign(), 3);
  EXPECT_EQ(placed->DropDown().PopupFlags(), 0);
}

TEST_F(DropDownTest, UnsetPopupMenuRestoresTheEvents) {
  PlacedButton& placed = ButtonWithMenu(0, 0);
  placed->UnsetPopupMenu();
  EXPECT_FALSE(placed->DropDown().PopupMenu());
  EXPECT_FALSE(placed->DropDown().Flags().mPopupSet);
  placed.host->Click(10, 10);
  EXPECT_EQ(placed.events(), (Names{"MouseDown", "Click", "MouseUp"}));
  EXPECT_TRUE(Popups().empty());
}

TEST_F(DropDownTest, TerminationDetachesTheMenu) {
  PlacedButton& placed = ButtonWithMenu(0, 0);
  placed.host->Terminate();
  EXPECT_FALSE(placed->DropDown().Flags().mPopupSet);
  EXPECT_FALSE(placed->DropDown().PopupMenu());
}

TEST_F(DropDownTest, MenuHandlerMayDetachTheMenuWhileItRuns) {
  PlacedButton& placed = ButtonWithMenu(0, 0);
  menu_->children[0]->on_click = [&placed] { placed->UnsetPopupMenu(); };
  desktop_.Menus().QueueChoice("open");
  placed.host->MouseDown(kLeftButton, 10, 10);
  EXPECT_FALSE(placed->DropDown().Flags().mPopupSet);
  placed.host->MouseUp(kLeftButton, 10, 10);
  EXPECT_EQ(placed.events(), (Names{"Click", "MouseUp"}));
}

// --- Periphery ------------------------------------------------------------------------------

TEST_F(DropDownTest, OpenWebsiteHandsTheAddressToTheDesktop) {
  PlacedButton& placed = NewButton();
  placed->OpenWebsite("http://wap.example/");
  EXPECT_EQ(desktop_.OpenedAddresses(), Names{"http://wap.example/"});
}

TEST_F(DropDownTest, AboutShowsFiveLines) {
  PlacedButton& placed = NewButton();
  placed->about();
  ASSERT_EQ(desktop_.MessageBoxes().size(), 1u);
  const platform::headless::MessageBoxRecord& box = desktop_.MessageBoxes()[0];
  EXPECT_EQ(box.title, "About");
  EXPECT_EQ(box.icon, 64);
  std::vector<std::string> lines;
  std::string line;
  for (char c : box.text + "\n") {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "TeskButton v 1.02");
  EXPECT_FALSE(lines[1].empty());
  EXPECT_FALSE(lines[2].empty());
  EXPECT_TRUE(lines[3].empty());
  EXPECT_FALSE(lines[4].empty());
}

}  // namespace
}  // namespace tovarin::button::testing
