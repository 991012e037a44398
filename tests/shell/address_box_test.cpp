// The address box, its close mark, and the error menu it opens.
#include "tests/shell/shell_fixture.h"

namespace tovarin::shell::testing {
namespace {

class AddressBoxTest : public ShellTest {
 protected:
  void SetUp() override {
    StartShown();
    // Reveal the box through the command menu's "输入网址".
    toolkit_.QueueMenuChoice("shu");
    a1_->Click();
  }
  // Types `text` into the box from empty and presses Enter.
  void Enter(const std::string& text) {
    text1_->SetText(text);
    text1_->Type(13);
  }
  std::size_t Navigations() { return view_->Navigations().size(); }
};

TEST_F(AddressBoxTest, MenuRevealsBoxAndMarkWithoutFocusOrTextChange) {
  EXPECT_TRUE(text1_->Visible());
  EXPECT_TRUE(label1_->Visible());
  EXPECT_EQ(text1_->Text(), "按Enter访问");
}

TEST_F(AddressBoxTest, WapDotAloneNavigatesThroughTheService) {
  Enter("wap.");
  EXPECT_EQ(view_->Navigations().back(), Service("wap."));
}

TEST_F(AddressBoxTest, AddressIsAppendedExactlyAsTyped) {
  Enter("wap.example.cn/a b?c=%20&d=中");
  EXPECT_EQ(view_->Navigations().back(), Service("wap.example.cn/a b?c=%20&d=中"));
}

TEST_F(AddressBoxTest, RefusedTextsOpenTheErrorMenuAtItsPlace) {
  for (const std::string text :
       {"按Enter访问", " wap.x", "WAP.x", "wap", "", "wa", "Wap.x", "wap,x"}) {
    SCOPED_TRACE(text);
    const std::size_t before = Navigations();
    const std::size_t popups = window_->Popups().size();
    Enter(text);
    EXPECT_EQ(Navigations(), before);
    ASSERT_EQ(window_->Popups().size(), popups + 1);
    const auto& popup = window_->Popups().back();
    EXPECT_EQ(popup.menu_name, "error");
    EXPECT_EQ(popup.flags, 0u);
    ASSERT_TRUE(popup.at.has_value());
    EXPECT_FLOAT_EQ(popup.at->x, 120);
    EXPECT_FLOAT_EQ(popup.at->y, 795);
    EXPECT_EQ(popup.shown_items, std::vector<std::string>{"error1"});
    // Closing the menu without a choice keeps the text.
    EXPECT_EQ(text1_->Text(), text);
  }
}

TEST_F(AddressBoxTest, InitialTextIsRefusedWhenEnterIsPressed) {
  text1_->Type(13);
  EXPECT_EQ(window_->Popups().back().menu_name, "error");
  EXPECT_EQ(text1_->Text(), "按Enter访问");
}

TEST_F(AddressBoxTest, ChoosingTheErrorItemEmptiesTheBox) {
  toolkit_.QueueMenuChoice("error1");
  Enter("http://wap.x");
  EXPECT_EQ(window_->Popups().back().chosen, "error1");
  EXPECT_EQ(text1_->Text(), "");
}

TEST_F(AddressBoxTest, OtherKeysDoNothing) {
  text1_->SetText("");
  text1_->TypeText("wap.q");
  EXPECT_EQ(text1_->Text(), "wap.q");
  EXPECT_EQ(Navigations(), 1u);             // the start page only
  EXPECT_EQ(window_->Popups().size(), 1u);  // the command menu only
}

TEST_F(AddressBoxTest, FocusSelectsTheWholeTextInCharacters) {
  text1_->SetText("按Enter访问");
  text1_->Focus();
  EXPECT_EQ(text1_->SelectionStart(), 0);
  EXPECT_EQ(text1_->SelectionLength(), 8);
}

TEST_F(AddressBoxTest, ControlCharactersAndVeryLongAddressesDoNotUpsetTheShell) {
  Enter(std::string("wap.\x01\x02\x1b\x7f", 8));
  EXPECT_EQ(view_->Navigations().back(), Service(std::string("wap.\x01\x02\x1b\x7f", 8)));
  const std::string long_address = "wap." + std::string(100000, 'a');
  Enter(long_address);
  EXPECT_EQ(view_->Navigations().back(), Service(long_address));
  // An address the view cannot take is dropped; the shell goes on.
  const std::size_t before = Navigations();
  Enter("wap." + std::string(platform::headless::kScriptedMaxUrlBytes, 'b'));
  EXPECT_EQ(Navigations(), before);
  Enter("wap.after");
  EXPECT_EQ(view_->Navigations().back(), Service("wap.after"));
}

TEST_F(AddressBoxTest, CloseMarkHidesMarkThenBoxAndKeepsText) {
  text1_->SetText("wap.kept");
  label1_->Click();
  EXPECT_FALSE(label1_->Visible());
  EXPECT_FALSE(text1_->Visible());
  toolkit_.QueueMenuChoice("shu");
  a1_->Click();
  EXPECT_TRUE(text1_->Visible());
  EXPECT_EQ(text1_->Text(), "wap.kept");
}

}  // namespace
}  // namespace tovarin::shell::testing
