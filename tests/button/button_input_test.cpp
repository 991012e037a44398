// The input state machine, row by row: mouse, keys, access keys, focus, ambient changes, leave,
// activation and option groups, on a headless form.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "button/button_events.h"
#include "button_test_support.h"

namespace tovarin::button::testing {
namespace {

using Names = std::vector<std::string>;
using platform::kLeftButton;
using platform::kRightButton;

class ButtonInputTest : public ButtonFixture {
 protected:
  // A run-time button of 80 x 24 pixels at the form's top-left corner, the pointer over it
  // (hot), records cleared.
  PlacedButton& HotButton(ModeValue mode = ModeValue::kPushButton, std::string caption = "Button",
                          bool default_cancel = false) {
    PlacedButton& placed = LoadedButton(
        StoreWith(mode, std::move(caption)),
        {.name = "b" + std::to_string(buttons_.size()), .default_cancel = default_cancel});
    placed.host->MouseMove(10, 10);
    EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateHot);
    placed.ClearRecords();
    return placed;
  }
};

// --- Events and their identifiers
// -----------------------------------------------------------------

TEST(ButtonEvents, DispatchIdentifiers) {
  EXPECT_EQ(EventDispatchId("Click"), -600);
  EXPECT_EQ(EventDispatchId("DblClick"), -601);
  EXPECT_EQ(EventDispatchId("MouseEnter"), 1);
  EXPECT_EQ(EventDispatchId("MouseLeave"), 2);
  EXPECT_EQ(EventDispatchId("MouseMove"), std::nullopt);
  EXPECT_EQ(EventDispatchId("MouseUp"), -607);
  EXPECT_EQ(EventDispatchId("MouseDown"), -605);
  EXPECT_EQ(EventDispatchId("KeyDown"), -602);
  EXPECT_EQ(EventDispatchId("KeyUp"), -604);
  EXPECT_EQ(EventDispatchId("KeyPress"), -603);
  EXPECT_EQ(EventDispatchId("click"), std::nullopt);
  // Declaration order.
  const Names order = {"Click",   "DblClick",  "MouseEnter", "MouseLeave", "MouseMove",
                       "MouseUp", "MouseDown", "KeyDown",    "KeyUp",      "KeyPress"};
  ASSERT_EQ(kButtonEvents.size(), order.size());
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(kButtonEvents[i].name, order[i]);
}

// --- Mouse ---------------------------------------------------------------------------------------

TEST_F(ButtonInputTest, MoveOntoTheButtonMakesItHotAndRaisesMouseEnterEveryTime) {
  PlacedButton& placed = LoadedButton(StoreWith());
  placed.host->MouseMove(10, 10);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateHot);
  EXPECT_TRUE(placed.model().mMouseOver);
  placed.host->MouseMove(11, 10);
  placed.host->MouseMove(12, 10);
  EXPECT_EQ(placed.events(), (Names{"MouseEnter", "MouseEnter", "MouseEnter"}));
  EXPECT_EQ(placed.redraws, 1);  // only the change to hot redraws
}

TEST_F(ButtonInputTest, ClickRaisesMouseDownClickMouseUp) {
  PlacedButton& placed = HotButton();
  placed.host->MouseDown(kLeftButton, 10, 10);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateDown);
  EXPECT_TRUE(placed.model().mMouseDown);
  EXPECT_TRUE(placed.model().mHasFocus);
  placed.host->MouseUp(kLeftButton, 10, 10);
  EXPECT_EQ(placed.events(), (Names{"MouseDown", "Click", "MouseUp"}));
  EXPECT_EQ(placed.model().mButtonState,
            ButtonStateValue::kStateNormal);  // hot again at the next move
  EXPECT_FALSE(placed.model().mMouseDown);

  const platform::headless::RaisedEvent& down = placed.host->Events()[0];
  ASSERT_EQ(down.args.size(), 4u);
  EXPECT_EQ(down.args[0].name, "Button");
  EXPECT_EQ(std::get<std::int32_t>(down.args[0].value), 1);
  EXPECT_EQ(down.args[2].name, "X");
  EXPECT_DOUBLE_EQ(std::get<double>(down.args[2].value), 10.0);
  EXPECT_EQ(placed->Input().mLastButton, 1);
  EXPECT_FLOAT_EQ(placed->Input().mLastY, 10.0f);

  placed.host->MouseMove(11, 10);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateHot);
}

TEST_F(ButtonInputTest, DoubleClickRaisesTheSecondPressAsMouseDownAndDblClick) {
  PlacedButton& placed = HotButton();
  placed.host->DoubleClick(10, 10);
  EXPECT_EQ(placed.events(),
            (Names{"MouseDown", "Click", "MouseUp", "MouseDown", "DblClick", "Click", "MouseUp"}));
}

TEST_F(ButtonInputTest, DoubleClickAfterARightPressDoesNothing) {
  PlacedButton& placed = HotButton();
  placed.host->Click(10, 10, kRightButton);
  placed.ClearRecords();
  placed->OnDblClick();
  EXPECT_TRUE(placed.events().empty());
  EXPECT_EQ(placed.redraws, 0);
}

TEST_F(ButtonInputTest, ReleaseOnTheFirstColumnOrRowIsNotAClick) {
  PlacedButton& placed = HotButton();
  placed.host->MouseDown(kLeftButton, 10, 10);
  placed.host->MouseUp(kLeftButton, 0, 10);
  placed.host->MouseDown(kLeftButton, 10, 10);
  placed.host->MouseUp(kLeftButton, 10, 0);
  for (const std::string& name : placed.events()) EXPECT_NE(name, "Click");
  placed.host->MouseDown(kLeftButton, 10, 10);
  placed.ClearRecords();
  placed.host->MouseUp(kLeftButton, 1, 1);
  EXPECT_EQ(placed.events(), (Names{"MouseEnter", "Click", "MouseUp"}));
}

TEST_F(ButtonInputTest, RightAndMiddleButtonsRaiseOnlyMouseUp) {
  PlacedButton& placed = HotButton();
  placed.host->Click(10, 10, kRightButton);
  placed.host->Click(10, 10, platform::kMiddleButton);
  EXPECT_EQ(placed.events(), (Names{"MouseUp", "MouseUp"}));
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateHot);
  EXPECT_EQ(placed->Input().mLastButton, platform::kMiddleButton);
}

TEST_F(ButtonInputTest, DraggingOffShowsNormalAndBackShowsPressed) {
  PlacedButton& placed = HotButton();
  placed.host->MouseDown(kLeftButton, 10, 10);
  placed.host->MouseMove(300, 10);  // outside, the button keeps the capture
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
  EXPECT_FALSE(placed.model().mMouseOver);
  placed.host->MouseMove(20, 10);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateDown);
  placed.host->MouseMove(300, 10);
  placed.ClearRecords();
  placed.host->MouseUp(kLeftButton, 300, 10);
  // No Click; the leave that waited for the capture arrives after the release.
  EXPECT_EQ(placed.events(), (Names{"MouseUp", "MouseLeave"}));
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
}

TEST_F(ButtonInputTest, CheckButtonTogglesValueOnEachClick) {
  PlacedButton& placed = HotButton(ModeValue::kCheckButton);
  placed.host->Click(10, 10);
  EXPECT_TRUE(placed->Value());
  EXPECT_EQ(placed.model().mButtonState,
            ButtonStateValue::kStateDown);  // a set button is drawn down
  placed.host->Click(10, 10);
  EXPECT_FALSE(placed->Value());
  EXPECT_TRUE(placed.host->PropertyChanges().empty());
}

TEST_F(ButtonInputTest, SetCheckButtonCreatesNoTooltipOnEntry) {
  PlacedButton& placed = LoadedButton(StoreWith(ModeValue::kCheckButton));
  placed->SetToolTip("tip");
  placed->SetValue(true);
  placed.host->MouseMove(10, 10);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateDown);
  EXPECT_TRUE(placed.host->ToolTips().empty());
}

TEST_F(ButtonInputTest, UnknownModeChangesNoValueOnInput) {
  PlacedButton& placed = HotButton(ModeValue{7});
  placed.host->Click(10, 10);
  placed.host->KeyDown(32);
  placed.host->KeyUp(32);
  EXPECT_FALSE(placed->Value());
  placed->SetValue(true);  // assignment works as in the other non-zero modes
  EXPECT_TRUE(placed->Value());
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateDown);
}

// --- Keys ---------------------------------------------------------------------------------------

TEST_F(ButtonInputTest, EnterRaisesClickBeforeKeyDownAndNoKeyUp) {
  PlacedButton& placed = HotButton();
  placed.host->KeyDown(13);
  placed.host->KeyUp(13);
  EXPECT_EQ(placed.events(), (Names{"Click", "KeyDown"}));
}

TEST_F(ButtonInputTest, AltSpaceRaisesNothingAtAll) {
  PlacedButton& placed = HotButton(ModeValue::kCheckButton);
  placed.host->KeyDown(32, platform::kAltMask);
  placed.host->KeyUp(32, platform::kAltMask);
  EXPECT_TRUE(placed.events().empty());
  EXPECT_FALSE(placed->Value());
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateHot);
  EXPECT_FALSE(placed.model().mSpaceDown);
}

TEST_F(ButtonInputTest, SpaceChangesValueOnPressAndClicksOnRelease) {
  PlacedButton& placed = HotButton(ModeValue::kCheckButton);
  placed.host->KeyDown(32);
  EXPECT_TRUE(placed->Value());
  EXPECT_TRUE(placed.model().mSpaceDown);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateDown);
  EXPECT_EQ(placed.host->CaptureWindow(), placed.host->ControlWindow());
  EXPECT_EQ(placed.events(), Names{"KeyDown"});
  placed.host->KeyUp(32);
  EXPECT_EQ(placed.events(), (Names{"KeyDown", "Click", "KeyUp"}));
  EXPECT_TRUE(placed->Value());
  EXPECT_FALSE(placed.model().mSpaceDown);
  EXPECT_EQ(placed.host->CaptureWindow(), 0u);
}

TEST_F(ButtonInputTest, SpaceUpOverTheButtonIsHotAndElsewhereNormal) {
  PlacedButton& over = HotButton();
  over.host->KeyDown(32);
  over.host->KeyUp(32);
  EXPECT_EQ(over.model().mButtonState, ButtonStateValue::kStateHot);

  PlacedButton& away = LoadedButton(StoreWith(), {.name = "away", .rect = {0, 100, 80, 124}});
  away.host->KeyDown(32);
  EXPECT_EQ(away.model().mButtonState, ButtonStateValue::kStateDown);
  away.host->KeyUp(32);
  EXPECT_EQ(away.model().mButtonState, ButtonStateValue::kStateNormal);
  EXPECT_EQ(away.events(), (Names{"KeyDown", "Click", "KeyUp"}));
}

TEST_F(ButtonInputTest, AnotherKeyCancelsTheSpaceClick) {
  PlacedButton& placed = HotButton();
  placed.host->KeyDown(32);
  placed.host->KeyDown(65);
  EXPECT_FALSE(placed.model().mSpaceDown);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
  placed.host->KeyUp(32);
  EXPECT_EQ(placed.events(), (Names{"KeyDown", "KeyDown", "KeyUp"}));
}

TEST_F(ButtonInputTest, SpaceUpWhileTheMouseIsHeldOverTheButtonRaisesOnlyKeyUp) {
  PlacedButton& placed = HotButton();
  placed.host->MouseDown(kLeftButton, 10, 10);
  placed.host->KeyDown(32);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateDown);
  EXPECT_FALSE(placed.model().mSpaceDown);  // the mouse had the button
  placed.host->KeyUp(32);
  EXPECT_EQ(placed.events(), (Names{"MouseDown", "KeyDown", "KeyUp"}));
  EXPECT_FALSE(placed.model().mMouseDown);
}

TEST_F(ButtonInputTest, ArrowKeysMoveTheFocusThenRaiseKeyDown) {
  PlacedButton& first = LoadedButton(StoreWith(), {.name = "first", .rect = {0, 0, 80, 24}});
  PlacedButton& second = LoadedButton(StoreWith(), {.name = "second", .rect = {0, 30, 80, 54}});
  form_.Focus(first.host);
  first.ClearRecords();
  first.host->KeyDown(39);  // Right: Tab
  EXPECT_EQ(form_.Focused(), second.host);
  EXPECT_EQ(first.events(), Names{"KeyDown"});
  second.host->KeyDown(38);  // Up: Shift+Tab
  EXPECT_EQ(form_.Focused(), first.host);
  first.host->KeyDown(40);  // Down
  EXPECT_EQ(form_.Focused(), second.host);
  second.host->KeyDown(37);  // Left
  EXPECT_EQ(form_.Focused(), first.host);
}

TEST_F(ButtonInputTest, KeyCodeAndKeyAsciiComeBackFromTheHandler) {
  PlacedButton& placed = HotButton();
  placed.host->SetEventHandler("KeyDown",
                               [](platform::EventArgs& args) { args[0].value = std::int32_t{0}; });
  placed.host->SetEventHandler("KeyPress",
                               [](platform::EventArgs& args) { args[0].value = std::int32_t{66}; });
  int key_code = 65;
  placed->OnKeyDown(key_code, 0);
  EXPECT_EQ(key_code, 0);
  int key_ascii = 97;
  placed->OnKeyPress(key_ascii);
  EXPECT_EQ(key_ascii, 66);
  EXPECT_EQ(placed.events(), (Names{"KeyDown", "KeyPress"}));
}

// --- Access keys --------------------------------------------------------------------------------

TEST_F(ButtonInputTest, AccessKeyClicksAndTogglesACheckButton) {
  PlacedButton& placed = LoadedButton(StoreWith(ModeValue::kCheckButton, "&Go"));
  ASSERT_EQ(placed.host->AccessKeys(), "g");
  form_.PressAccessKey('G');
  EXPECT_TRUE(placed->Value());
  EXPECT_EQ(placed.events(), Names{"Click"});
  form_.PressAccessKey('g');
  EXPECT_FALSE(placed->Value());
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
}

TEST_F(ButtonInputTest, DefaultAndCancelKeysRaiseNothingOnCheckAndOptionButtons) {
  for (const ModeValue mode : {ModeValue::kCheckButton, ModeValue::kOptionButton}) {
    const std::string number = std::to_string(static_cast<std::int32_t>(mode));
    PlacedButton& placed = LoadedButton(StoreWith(mode, "&Go"), {.name = "m" + number});
    placed->OnAccessKeyPress(13);
    placed->OnAccessKeyPress(27);
    EXPECT_TRUE(placed.events().empty()) << "mode " << number;
    EXPECT_FALSE(placed->Value()) << "mode " << number;
  }
}

TEST_F(ButtonInputTest, DefaultButtonClicksOnEnter) {
  PlacedButton& ok = LoadedButton(StoreWith(ModeValue::kPushButton, "OK"), {.name = "ok"});
  PlacedButton& other = LoadedButton(StoreWith(ModeValue::kPushButton, "Other"),
                                     {.name = "other", .rect = {0, 30, 80, 54}});
  form_.SetDefaultButton(ok.host);
  form_.Focus(other.host);
  ok.ClearRecords();
  form_.PressKey(13);
  EXPECT_EQ(ok.events(), Names{"Click"});
}

TEST_F(ButtonInputTest, DisabledButtonIgnoresItsAccessKey) {
  PlacedButton& placed = LoadedButton(StoreWith(ModeValue::kCheckButton, "&Go"));
  placed->SetEnabled(false);
  placed.ClearRecords();
  placed->OnAccessKeyPress('g');
  EXPECT_TRUE(placed.events().empty());
  EXPECT_FALSE(placed->Value());
}

TEST_F(ButtonInputTest, AccessKeyEndsAHeldSpace) {
  PlacedButton& placed = HotButton(ModeValue::kPushButton, "&Go");
  placed.host->KeyDown(32);
  placed->OnAccessKeyPress('g');
  EXPECT_FALSE(placed.model().mSpaceDown);
  placed.ClearRecords();
  placed.host->KeyUp(32);
  EXPECT_EQ(placed.events(), Names{"KeyUp"});  // no second click
}

// --- Focus, ambient changes, activation, leave
// ----------------------------------------------------

TEST_F(ButtonInputTest, LostFocusLeavesHotOnlyWhenTheFormIsActiveAndThePointerOver) {
  PlacedButton& placed = HotButton();
  form_.Activate();
  placed.host->MouseMove(10, 10);
  placed.host->MouseDown(kLeftButton, 10, 10);
  placed.ClearRecords();
  placed->OnLostFocus();
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateHot);
  EXPECT_FALSE(placed.model().mHasFocus);
  EXPECT_FALSE(placed.model().mMouseDown);
  EXPECT_EQ(placed.redraws, 1);

  form_.Deactivate();
  placed.host->MouseMove(10, 10);
  placed->OnLostFocus();
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
}

TEST_F(ButtonInputTest, LostFocusRedrawsTwiceForTheDefaultButton) {
  PlacedButton& placed = HotButton(ModeValue::kPushButton, "Button", true);
  form_.SetDefaultButton(placed.host);
  ASSERT_TRUE(placed.model().mDisplayAsDefault);
  placed.ClearRecords();
  placed->OnLostFocus();
  EXPECT_EQ(placed.redraws, 2);
}

TEST_F(ButtonInputTest, GotFocusOnlyMarksTheFocus) {
  PlacedButton& placed = HotButton();
  placed->OnGotFocus();
  EXPECT_TRUE(placed.model().mHasFocus);
  EXPECT_EQ(placed.redraws, 0);
}

TEST_F(ButtonInputTest, AmbientChangesRedrawForDisplayAsDefaultAndBackColorOnly) {
  PlacedButton& placed = HotButton(ModeValue::kPushButton, "Button", true);
  form_.SetDefaultButton(placed.host);
  EXPECT_TRUE(placed.model().mDisplayAsDefault);
  EXPECT_EQ(placed.redraws, 1);
  form_.SetBackColor(0x00FF00);
  EXPECT_EQ(placed.redraws, 2);
  placed->OnAmbientChanged("Font");
  placed->OnAmbientChanged("backcolor");
  EXPECT_EQ(placed.redraws, 2);
}

TEST_F(ButtonInputTest, LeavingRaisesMouseLeaveAndReturnsToNormal) {
  PlacedButton& placed = HotButton();
  form_.MovePointerAway();
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
  EXPECT_FALSE(placed.model().mMouseOver);
  EXPECT_EQ(placed.events(), Names{"MouseLeave"});
}

TEST_F(ButtonInputTest, LeavingWhileSpaceIsHeldKeepsTheState) {
  PlacedButton& placed = HotButton();
  placed.host->KeyDown(32);
  placed.host->ReleaseCapture();
  form_.MovePointerAway();
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateDown);
  EXPECT_EQ(placed.events(), Names{"KeyDown"});
}

TEST_F(ButtonInputTest, WithoutLeaveTrackingHotStaysUntilAMoveFindsThePointerElsewhere) {
  desktop_.SetLeaveTrackingSupported(false);
  PlacedButton& placed = HotButton();
  EXPECT_FALSE(placed.model().mTrackMouse);
  form_.MovePointerAway();
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateHot);
  EXPECT_TRUE(placed.events().empty());
  placed->OnMouseMove(kLeftButton, 0, 500, 500);  // e.g. a move delivered while a button is held
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
}

TEST_F(ButtonInputTest, ActivationAndDeactivationReturnToNormal) {
  PlacedButton& placed = HotButton();
  form_.Activate();
  EXPECT_TRUE(placed.model().mParentActive);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
  EXPECT_EQ(placed.redraws, 1);

  placed.host->MouseDown(kLeftButton, 10, 10);
  placed.ClearRecords();
  form_.Deactivate();
  EXPECT_FALSE(placed.model().mParentActive);
  EXPECT_FALSE(placed.model().mMouseDown);
  EXPECT_FALSE(placed.model().mHasFocus);
  EXPECT_EQ(placed.model().mButtonState, ButtonStateValue::kStateNormal);
  EXPECT_EQ(placed.redraws, 1);
}

TEST_F(ButtonInputTest, ActivationRedrawsTwiceForTheDefaultButton) {
  PlacedButton& placed = HotButton(ModeValue::kPushButton, "Button", true);
  form_.SetDefaultButton(placed.host);
  placed.ClearRecords();
  form_.Activate();
  EXPECT_EQ(placed.redraws, 2);
}

TEST_F(ButtonInputTest, ActivationTestsTheWholeWParam) {
  PlacedButton& placed = HotButton();
  desktop_.Windows().SendMessage(form_.Window(), platform::kWmActivate, 0x10000, 0);
  EXPECT_TRUE(placed.model().mParentActive);
}

TEST_F(ButtonInputTest, MdiChildFormActivatesThroughNcActivate) {
  other_forms_.push_back(std::make_unique<platform::headless::HeadlessForm>(
      desktop_, platform::headless::FormOptions{.name = "Child", .mdi_child = true}));
  platform::headless::HeadlessForm& child = *other_forms_.back();
  PlacedButton& placed = LoadedButton(StoreWith(), {.name = "c1"}, &child);
  const MessageList* list = placed->Hooks().AfterList(child.Window());
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->Matches(platform::kWmNcActivate));
  EXPECT_FALSE(list->Matches(platform::kWmActivate));
  child.Activate();
  EXPECT_TRUE(placed.model().mParentActive);
}

TEST_F(ButtonInputTest, TwoButtonsOnOneFormBothHearActivation) {
  PlacedButton& first = LoadedButton(StoreWith(), {.name = "first"});
  PlacedButton& second = LoadedButton(StoreWith(), {.name = "second", .rect = {0, 30, 80, 54}});
  form_.Activate();
  EXPECT_TRUE(first.model().mParentActive);
  EXPECT_TRUE(second.model().mParentActive);
}

// --- Option groups ------------------------------------------------------------------------------

TEST_F(ButtonInputTest, OptionGroupsAreClearedOnlyWithinOneContainer) {
  const platform::WindowHandle frame = form_.AddContainer("Frame1", {200, 0, 400, 200});
  PlacedButton& a =
      LoadedButton(StoreWith(ModeValue::kOptionButton), {.name = "a", .rect = {0, 0, 80, 24}});
  PlacedButton& b =
      LoadedButton(StoreWith(ModeValue::kOptionButton), {.name = "b", .rect = {0, 30, 80, 54}});
  PlacedButton& c = LoadedButton(StoreWith(ModeValue::kOptionButton),
                                 {.name = "c", .rect = {0, 0, 80, 24}, .container = frame});
  PlacedButton& d =
      LoadedButton(StoreWith(ModeValue::kCheckButton), {.name = "d", .rect = {0, 60, 80, 84}});
  b->SetValue(true);
  c->SetValue(true);
  d->SetValue(true);
  b.ClearRecords();
  c.ClearRecords();

  a.host->Click(10, 10);
  EXPECT_TRUE(a->Value());
  EXPECT_FALSE(b->Value());
  EXPECT_EQ(b.host->PropertyChanges(), Names{"Value"});  // through b's public property
  EXPECT_EQ(b.model().mButtonState, ButtonStateValue::kStateNormal);
  EXPECT_TRUE(c->Value());  // another container, another group
  EXPECT_TRUE(c.host->PropertyChanges().empty());
  EXPECT_TRUE(d->Value());  // not an option button

  // Space and the access key choose an option too.
  b.host->KeyDown(32);
  EXPECT_TRUE(b->Value());
  EXPECT_FALSE(a->Value());
  a->OnAccessKeyPress('a');
  EXPECT_TRUE(a->Value());
  EXPECT_FALSE(b->Value());
}

}  // namespace
}  // namespace tovarin::button::testing
