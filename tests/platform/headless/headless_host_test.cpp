#include "platform/headless/controls/headless_host.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/headless/controls/headless_form.h"
#include "tests/platform/host/recording_hook.h"

namespace tovarin::platform::headless {
namespace {

// Logs every notification with its arguments.
class RecordingControl : public Control {
 public:
  std::vector<std::string> log;
  std::function<void()> on_click;
  std::function<void(int)> on_key_down;

  void OnInitialize() override { log.push_back("Initialize"); }
  void OnInitNew() override { log.push_back("InitNew"); }
  Status OnReadProperties(const PropertyStore& store) override {
    log.push_back("ReadProperties");
    auto delay = store.ReadInt16("Delay", 50);
    if (!delay.ok()) return Error{delay.error()};
    return {};
  }
  void OnWriteProperties(PropertyStore& store) override { store.WriteInt16("Delay", 80, 50); }
  void OnTerminate() override { log.push_back("Terminate"); }
  void OnShow() override { log.push_back("Show"); }
  void OnHide() override { log.push_back("Hide"); }
  void OnResize() override { log.push_back("Resize"); }
  void OnPaint() override { log.push_back("Paint"); }
  void OnMouseDown(int b, int s, double x, double y) override {
    log.push_back(Mouse("MouseDown", b, s, x, y));
  }
  void OnMouseMove(int b, int s, double x, double y) override {
    log.push_back(Mouse("MouseMove", b, s, x, y));
  }
  void OnMouseUp(int b, int s, double x, double y) override {
    log.push_back(Mouse("MouseUp", b, s, x, y));
  }
  void OnClick() override {
    log.push_back("Click");
    if (on_click) on_click();
  }
  void OnDblClick() override { log.push_back("DblClick"); }
  void OnGotFocus() override { log.push_back("GotFocus"); }
  void OnLostFocus() override { log.push_back("LostFocus"); }
  void OnKeyDown(int& key, int shift) override {
    log.push_back("KeyDown " + std::to_string(key) + " " + std::to_string(shift));
    if (on_key_down) on_key_down(key);
  }
  void OnKeyPress(int& ascii) override { log.push_back("KeyPress " + std::to_string(ascii)); }
  void OnKeyUp(int& key, int shift) override {
    log.push_back("KeyUp " + std::to_string(key) + " " + std::to_string(shift));
  }
  void OnAccessKeyPress(int ascii) override {
    log.push_back("AccessKeyPress " + std::to_string(ascii));
  }
  void OnAmbientChanged(std::string_view name) override {
    log.push_back("Ambient " + std::string(name));
  }

 private:
  static std::string Mouse(const char* what, int b, int s, double x, double y) {
    return std::string(what) + " " + std::to_string(b) + " " + std::to_string(s) + " " +
           std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y));
  }
};

struct FormFixture : ::testing::Test {
  HeadlessDesktop desktop;
  HeadlessForm form{desktop, FormOptions{.name = "Form1", .rect = Rect{100, 100, 500, 400}}};
  RecordingControl control;
  HeadlessHost& host = Add("a1", Rect::FromXYWH(10, 20, 50, 30), control);

  HeadlessHost& Add(const std::string& name, Rect rect, RecordingControl& c,
                    WindowHandle container = 0) {
    HeadlessHost& h = form.AddHost(HostOptions{.name = name, .rect = rect, .container = container});
    h.Attach(c);
    h.Show();
    desktop.RunPending();
    c.log.clear();
    h.ClearRecords();
    return h;
  }
};

// --- Lifecycle and painting
// ------------------------------------------------------------------------

TEST(HeadlessHostLifecycle, InitNewAndReadPropertiesRunInFormOrder) {
  HeadlessDesktop desktop;
  HeadlessForm form(desktop);
  RecordingControl control;
  HeadlessHost& host = form.AddHost(HostOptions{.name = "g1"});
  host.Attach(control);
  host.InitNew();
  host.Show();
  desktop.RunPending();
  EXPECT_EQ(control.log,
            (std::vector<std::string>{"Initialize", "InitNew", "Resize", "Show", "Paint"}));

  control.log.clear();
  PropertyStore bad;
  bad.Set("Delay", std::string("fast"));
  const Status status = host.ReadProperties(bad);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(control.log, (std::vector<std::string>{"Initialize", "ReadProperties", "Resize"}));
  ASSERT_EQ(host.Errors().size(), 1u);
  EXPECT_NE(host.Errors()[0].find("Delay"), std::string::npos);
  EXPECT_EQ(host.WriteProperties().Serialize(), "TovarinProperties 1\nDelay: int16 80\n");
}

TEST_F(FormFixture, RefreshFillsTheBackgroundAndPaintsAtOnce) {
  host.Surface().SetPixel(3, 3, Rgb(1, 2, 3));
  host.Refresh();
  EXPECT_EQ(control.log, std::vector<std::string>{"Paint"});
  EXPECT_EQ(host.Surface().GetPixel(3, 3), form.Options().back_color);
  EXPECT_EQ(host.RefreshCount(), 1);
}

TEST_F(FormFixture, ResizeInTwipsSnapsToPixelsAndQueuesOnePaint) {
  host.ResizeTwips(1500, 302);  // 100 x 20.13 pixels
  EXPECT_EQ(host.ClientSize(), (Size{100, 20}));
  EXPECT_EQ(host.Surface().Width(), 100);
  EXPECT_EQ(host.Surface().Height(), 20);
  EXPECT_EQ(host.ExtentTwips(), (Rect{150, 300, 1650, 600}));
  EXPECT_EQ(control.log, std::vector<std::string>{"Resize"});
  host.ResizeTwips(1500, 300);  // the same pixel size: no new notification
  desktop.RunPending();
  EXPECT_EQ(control.log, (std::vector<std::string>{"Resize", "Paint"}));
}

TEST_F(FormFixture, ResizeFromInsideTheResizeHandlerIsDelivered) {
  struct MinimumSize : RecordingControl {
    ControlHost* host = nullptr;
    void OnResize() override {
      RecordingControl::OnResize();
      if (host->ClientSize().width < 20) host->ResizeTwips(300, 450);
    }
  } shrinking;
  HeadlessHost& h = Add("a2", Rect::FromXYWH(0, 0, 40, 40), shrinking);
  shrinking.host = &h;
  h.ResizeTwips(150, 150);
  EXPECT_EQ(h.ClientSize(), (Size{20, 30}));
  EXPECT_EQ(shrinking.log, (std::vector<std::string>{"Resize", "Resize"}));
}

// --- Mouse sequences -----------------------------------------------------------------------------

TEST_F(FormFixture, ClickDeliversDownUpThenClick) {
  host.Click(5, 6);
  EXPECT_EQ(control.log, (std::vector<std::string>{"MouseMove 0 0 5,6", "MouseDown 1 0 5,6",
                                                   "MouseUp 1 0 5,6", "Click"}));
  EXPECT_EQ(host.CaptureWindow(), 0u);
}

TEST_F(FormFixture, DoubleClickReplacesTheSecondPress) {
  host.MouseMove(5, 6);
  control.log.clear();
  host.DoubleClick(5, 6);
  EXPECT_EQ(control.log, (std::vector<std::string>{"MouseDown 1 0 5,6", "MouseUp 1 0 5,6", "Click",
                                                   "DblClick", "MouseUp 1 0 5,6"}));
}

TEST_F(FormFixture, RightButtonGivesNoClick) {
  host.MouseMove(5, 6);
  control.log.clear();
  host.Click(5, 6, kRightButton, kShiftMask);
  EXPECT_EQ(control.log, (std::vector<std::string>{"MouseDown 2 1 5,6", "MouseUp 2 1 5,6"}));
}

TEST_F(FormFixture, CaptureKeepsMovesAndReleaseOutsideWithoutClick) {
  host.MouseDown(kLeftButton, 5, 5);
  control.log.clear();
  host.MouseMove(80, -10);  // off the control, over the form
  host.MouseMove(6, 6);
  host.MouseMove(90, 5);
  host.MouseUp(kLeftButton, 90, 5);
  EXPECT_EQ(control.log, (std::vector<std::string>{"MouseMove 1 0 80,-10", "MouseMove 1 0 6,6",
                                                   "MouseMove 1 0 90,5", "MouseUp 1 0 90,5"}));
  control.log.clear();
  host.MouseMove(100, 5);  // capture released: the form gets the move, not the control
  EXPECT_TRUE(control.log.empty());
}

TEST_F(FormFixture, DisabledControlGetsNoInput) {
  host.SetEnabled(false);
  host.Click(5, 5);
  host.TypeKey(32, 32);
  EXPECT_TRUE(control.log.empty());
}

// --- Leave tracking
// --------------------------------------------------------------------------------

struct LeaveFixture : FormFixture {
  std::vector<WindowMessage> seen;
  void SetUp() override {
    WindowHandle window = host.ControlWindow();
    auto previous =
        host.ReplaceWindowProcedure(window,
                                    [this](WindowHandle w, std::uint32_t m, std::intptr_t wp,
                                           std::intptr_t lp) -> std::intptr_t {
                                      seen.push_back(WindowMessage{w, m, wp, lp});
                                      return 0;
                                    });
    ASSERT_TRUE(previous.has_value());
  }
};

TEST_F(LeaveFixture, OneLeaveWhenThePointerLeaves) {
  host.MouseMove(5, 5);
  host.TrackMouseLeave(host.ControlWindow());
  host.MouseMove(6, 6);
  EXPECT_TRUE(seen.empty());
  form.MovePointerAway();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].message, kWmMouseLeave);
  EXPECT_EQ(seen[0].window, host.ControlWindow());
  host.MouseMove(5, 5);
  form.MovePointerAway();
  EXPECT_EQ(seen.size(), 1u);  // not asked again: no second leave
}

TEST_F(LeaveFixture, TrackingWhileOutsidePostsAtOnce) {
  form.MovePointerAway();
  host.TrackMouseLeave(host.ControlWindow());
  EXPECT_TRUE(seen.empty());  // posted, not sent
  desktop.RunPending();
  ASSERT_EQ(seen.size(), 1u);
}

TEST_F(LeaveFixture, CaptureHoldsTheLeaveUntilRelease) {
  host.MouseDown(kLeftButton, 5, 5);
  host.TrackMouseLeave(host.ControlWindow());
  host.MouseMove(200, 5);
  EXPECT_TRUE(seen.empty());
  host.MouseUp(kLeftButton, 200, 5);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].message, kWmMouseLeave);
}

TEST_F(LeaveFixture, WindowRegionShapesWhatIsUnderThePointer) {
  host.SetWindowRegion(Region::FromRect(Rect{0, 0, 10, 10}));
  host.MouseMove(5, 5);
  EXPECT_EQ(host.WindowUnderPointer(), host.ControlWindow());
  host.MouseMove(20, 20);
  EXPECT_EQ(host.WindowUnderPointer(), form.Window());
  EXPECT_EQ(host.RegionChanges().size(), 1u);
  host.SetWindowRegion(std::nullopt);
  EXPECT_EQ(host.WindowUnderPointer(), host.ControlWindow());
}

// --- Window hooks
// ---------------------------------------------------------------------------------

using testing::RecordingHook;

TEST_F(FormFixture, HookChainRunsBeforePreviousAfter) {
  std::vector<std::string> log;
  HeadlessWindows& windows = desktop.Windows();
  RecordingHook first{&log, "a1", {}};
  RecordingHook second{&log, "a2", {}};
  first.previous = *host.ReplaceWindowProcedure(form.Window(), first.Procedure());
  second.previous = *host.ReplaceWindowProcedure(form.Window(), second.Procedure());
  windows.ClearMessageLog();
  form.Activate();
  EXPECT_EQ(log, (std::vector<std::string>{"a2 before 134", "a1 before 134", "a1 after 134 1",
                                           "a2 after 134 1", "a2 before 6", "a1 before 6",
                                           "a1 after 6 1", "a2 after 6 1"}));
  // The default procedure saw both messages once.
  EXPECT_EQ(windows.MessageLog(), (std::vector<WindowMessage>{{form.Window(), kWmNcActivate, 1, 0},
                                                              {form.Window(), kWmActivate, 1, 0}}));
  // Unhooking in reverse order restores the default procedure.
  EXPECT_TRUE(host.ReplaceWindowProcedure(form.Window(), second.previous).has_value());
  EXPECT_TRUE(host.ReplaceWindowProcedure(form.Window(), first.previous).has_value());
  log.clear();
  form.Deactivate();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(windows.MessageLog().back(), (WindowMessage{form.Window(), kWmActivate, 0, 0}));
}

TEST(HeadlessHostHooks, MdiChildFormsGetNcActivateOnly) {
  HeadlessDesktop desktop;
  HeadlessForm form(desktop, FormOptions{.mdi_child = true});
  HeadlessHost& host = form.AddHost({});
  EXPECT_TRUE(host.ParentIsMdiChild());
  form.Activate();
  EXPECT_EQ(desktop.Windows().MessageLog(),
            (std::vector<WindowMessage>{{form.Window(), kWmNcActivate, 1, 0}}));
}

TEST(HeadlessHostHooks, UnknownWindowsCannotBeHooked) {
  HeadlessDesktop desktop;
  HeadlessForm form(desktop);
  HeadlessHost& host = form.AddHost({});
  EXPECT_FALSE(host.ReplaceWindowProcedure(0x7777, [](WindowHandle, std::uint32_t, std::intptr_t,
                                                      std::intptr_t) { return std::intptr_t{0}; })
                   .has_value());
  EXPECT_EQ(desktop.Windows().SendMessage(0x7777, kWmActivate, 1, 0), 0);
}

// --- Timers
// ----------------------------------------------------------------------------------------

TEST_F(FormFixture, TimersAreKeyedAndReplaced) {
  std::vector<std::string> log;
  ASSERT_TRUE(host.SetTimer(7, 100, [&] { log.push_back("old"); }));
  desktop.Advance(50);
  ASSERT_TRUE(
      host.SetTimer(7, 30, [&] { log.push_back("new@" + std::to_string(desktop.Clock().Now())); }));
  desktop.Advance(100);
  EXPECT_EQ(log, (std::vector<std::string>{"new@80", "new@110", "new@140"}));
  EXPECT_EQ(host.TimerInterval(7), 30u);
  host.KillTimer(7);
  desktop.Advance(100);
  EXPECT_EQ(log.size(), 3u);
  EXPECT_FALSE(host.HasTimer(7));
}

TEST_F(FormFixture, TwoHostsUseTheSameKeyIndependently) {
  RecordingControl other;
  HeadlessHost& second = Add("g2", Rect::FromXYWH(100, 100, 10, 10), other);
  int first_ticks = 0;
  int second_ticks = 0;
  host.SetTimer(1, 10, [&] { ++first_ticks; });
  second.SetTimer(1, 25, [&] { ++second_ticks; });
  desktop.Advance(50);
  EXPECT_EQ(first_ticks, 5);
  EXPECT_EQ(second_ticks, 2);
}

TEST_F(FormFixture, TimerKilledOrReplacedInItsCallbackNeverFiresAgain) {
  std::vector<std::uint64_t> ticks;
  host.SetTimer(1, 20, [&] {
    ticks.push_back(desktop.Clock().Now());
    host.KillTimer(1);
    if (ticks.size() < 3)
      host.SetTimer(1, 50, [&] { ticks.push_back(1000 + desktop.Clock().Now()); });
  });
  desktop.Advance(200);
  EXPECT_EQ(ticks, (std::vector<std::uint64_t>{20, 1070, 1120, 1170}));
}

TEST_F(FormFixture, ThrowingTimerIsRecordedAndKilled) {
  int ticks = 0;
  host.SetTimer(3, 10, [&] {
    ++ticks;
    throw std::runtime_error("engine failed");
  });
  desktop.Advance(100);
  EXPECT_EQ(ticks, 1);
  ASSERT_EQ(host.Errors().size(), 1u);
  EXPECT_NE(host.Errors()[0].find("engine failed"), std::string::npos);
  EXPECT_FALSE(host.HasTimer(3));
}

TEST_F(FormFixture, RefusedTimersReportFailure) {
  host.SetTimersRefused(true);
  EXPECT_FALSE(host.SetTimer(1, 10, [] {}));
  EXPECT_EQ(host.TimerCount(), 0u);
}

// --- Pop-up menus
// ------------------------------------------------------------------------------------

struct MenuFixture : FormFixture {
  MenuItem menu;
  std::vector<std::string> order;
  void SetUp() override {
    menu.name = "mnuMain";
    for (const char* name : {"open", "sep", "about", "hidden"}) {
      auto item = std::make_shared<MenuItem>();
      item->name = name;
      item->caption = std::string(name) == "sep" ? "-" : std::string("&") + name;
      item->on_click = [this, n = std::string(name)] { order.push_back("handler " + n); };
      menu.children.push_back(item);
    }
    menu.children[3]->visible = false;
  }
};

TEST_F(MenuFixture, ChosenItemRunsBeforeThePopupReturns) {
  desktop.Menus().QueueChoice("about");
  host.PopupMenu(menu, 0, 30, kPopupRightAlign | kPopupBottomAlign, menu.children[0].get());
  order.push_back("returned");
  EXPECT_EQ(order, (std::vector<std::string>{"handler about", "returned"}));
  ASSERT_EQ(desktop.Menus().Records().size(), 1u);
  const PopupRecord& record = desktop.Menus().Records()[0];
  EXPECT_EQ(record.menu_name, "mnuMain");
  EXPECT_EQ(record.owner, "a1");
  EXPECT_EQ(record.x, 0);
  EXPECT_EQ(record.y, 30);
  EXPECT_EQ(record.screen, (Point{110, 150}));
  EXPECT_EQ(record.flags, 40u);
  EXPECT_EQ(record.default_item, "open");
  EXPECT_EQ(record.chosen, "about");
  EXPECT_EQ(record.shown_items, (std::vector<std::string>{"&open", "-", "&about"}));
}

TEST_F(MenuFixture, DismissedOrUnchoosableItemsRunNothing) {
  host.PopupMenu(menu, 0, 0, 0, nullptr);  // nothing queued: dismissed
  desktop.Menus().QueueChoice("hidden");
  host.PopupMenu(menu, 0, 0, 0, nullptr);
  desktop.Menus().QueueChoice("sep");
  host.PopupMenu(menu, 0, 0, 0, nullptr);
  menu.children[0]->enabled = false;
  desktop.Menus().QueueChoice("open");
  host.PopupMenu(menu, 0, 0, 0, nullptr);
  EXPECT_TRUE(order.empty());
  EXPECT_EQ(desktop.Menus().Records().size(), 4u);
  EXPECT_EQ(desktop.Menus().Records()[0].default_item, "");
}

TEST_F(MenuFixture, LeaveArrivesWhileTheMenuIsOpen) {
  std::vector<std::string> log;
  auto previous = host.ReplaceWindowProcedure(
      host.ControlWindow(),
      [&](WindowHandle, std::uint32_t m, std::intptr_t, std::intptr_t) -> std::intptr_t {
        if (m == kWmMouseLeave)
          log.push_back(desktop.Menus().IsOpen() ? "leave while open" : "leave after");
        return 0;
      });
  host.MouseMove(5, 5);
  host.TrackMouseLeave(host.ControlWindow());
  desktop.Menus().SetWhileOpen([&] { desktop.Windows().MovePointer(Point{0, 0}); });
  desktop.Menus().QueueChoice("open");
  host.PopupMenu(menu, 0, 30, 0, nullptr);
  log.insert(log.end(), order.begin(), order.end());
  EXPECT_EQ(log, (std::vector<std::string>{"leave while open", "handler open"}));
  EXPECT_NE(host.WindowUnderPointer(), host.ControlWindow());
}

// --- Focus, keys, default buttons
// ---------------------------------------------------------------------

struct KeyboardFixture : FormFixture {
  RecordingControl c2, c3;
  HeadlessHost* h2 = nullptr;
  HeadlessHost* h3 = nullptr;
  void SetUp() override {
    h2 = &Add("a2", Rect::FromXYWH(100, 20, 50, 30), c2);
    h3 = &Add("a3", Rect::FromXYWH(200, 20, 50, 30), c3);
  }
};

TEST_F(KeyboardFixture, FocusMovesWithLostBeforeGot) {
  host.SetFocus();
  control.log.clear();
  h2->SetFocus();
  EXPECT_EQ(control.log, std::vector<std::string>{"LostFocus"});
  EXPECT_EQ(c2.log, std::vector<std::string>{"GotFocus"});
  EXPECT_EQ(host.Journal().back(), "focus:lost");
  EXPECT_TRUE(h2->HasFocus());
  EXPECT_FALSE(host.HasFocus());
}

TEST_F(KeyboardFixture, TabSkipsDisabledControlsAndWraps) {
  host.SetFocus();
  h2->SetEnabled(false);
  form.PressKey(9);
  EXPECT_TRUE(h3->HasFocus());
  form.PressKey(9);
  EXPECT_TRUE(host.HasFocus());
  form.PressKey(9, kShiftMask);
  EXPECT_TRUE(h3->HasFocus());
}

TEST_F(KeyboardFixture, SentTabKeysMoveTheFocusAfterTheHandler) {
  host.SetFocus();
  control.log.clear();
  c2.log.clear();
  control.on_key_down = [&](int key) {
    host.SendKeys(key == 39 ? "{TAB}" : "+{TAB}");
    // Still focused inside the handler: the keys are queued.
    control.log.push_back(host.HasFocus() ? "still focused" : "moved early");
  };
  form.PressKey(39);
  // The key up arrives after the queued Tab moved the focus, so the next control gets it.
  EXPECT_EQ(control.log, (std::vector<std::string>{"KeyDown 39 0", "still focused", "LostFocus"}));
  EXPECT_EQ(c2.log, (std::vector<std::string>{"GotFocus", "KeyUp 39 0"}));
  EXPECT_TRUE(h2->HasFocus());
  h2->SendKeys("+{TAB}");
  desktop.RunPending();
  EXPECT_TRUE(host.HasFocus());
}

TEST(SendKeysText, OnlyTabAndShiftTabAreUnderstood) {
  EXPECT_EQ(TabKeys("{TAB}+{TAB}{TAB}"), (std::vector<bool>{true, false, true}));
  // Other text is skipped, also a Tab cut short or written in lower case.
  EXPECT_EQ(TabKeys("ab{TAB}x+{tab}+{TAB}{TA"), (std::vector<bool>{true, false}));
  EXPECT_TRUE(TabKeys("").empty());
  EXPECT_TRUE(TabKeys("+").empty());
}

TEST_F(KeyboardFixture, KeysGoToTheFocusedControlDownPressUp) {
  h2->SetFocus();
  c2.log.clear();
  form.PressKey(32, 0, 32);
  EXPECT_EQ(c2.log, (std::vector<std::string>{"KeyDown 32 0", "KeyPress 32", "KeyUp 32 0"}));
  EXPECT_TRUE(control.log.empty());
}

TEST_F(KeyboardFixture, AccessKeyFocusesThenNotifies) {
  h3->SetAccessKeys("b");
  host.SetFocus();
  c3.log.clear();
  form.PressKey('B', kAltMask);
  EXPECT_EQ(c3.log, (std::vector<std::string>{"GotFocus", "AccessKeyPress 98"}));
  EXPECT_TRUE(h3->HasFocus());
}

TEST(HeadlessFormDefaults, EnterAndEscapeReachDefaultAndCancelButtons) {
  HeadlessDesktop desktop;
  HeadlessForm form(desktop);
  RecordingControl text_box, ok, cancel;
  HeadlessHost& text_host = form.AddHost(HostOptions{.name = "Text1"});
  HeadlessHost& ok_host = form.AddHost(HostOptions{.name = "a1", .default_cancel = true});
  HeadlessHost& cancel_host = form.AddHost(HostOptions{.name = "a2", .default_cancel = true});
  text_host.Attach(text_box);
  ok_host.Attach(ok);
  cancel_host.Attach(cancel);
  for (HeadlessHost* h : form.Hosts()) h->Show();
  desktop.RunPending();
  for (RecordingControl* c : {&text_box, &ok, &cancel}) c->log.clear();
  form.SetDefaultButton(&ok_host);
  form.SetCancelButton(&cancel_host);
  EXPECT_TRUE(ok_host.DisplayAsDefault());
  EXPECT_EQ(ok.log, std::vector<std::string>{"Ambient DisplayAsDefault"});
  ok.log.clear();

  text_host.SetFocus();
  form.PressKey(13, 0, 13);
  form.PressKey(27, 0, 27);
  EXPECT_EQ(ok.log, std::vector<std::string>{"AccessKeyPress 13"});
  EXPECT_EQ(cancel.log, std::vector<std::string>{"AccessKeyPress 27"});
  EXPECT_EQ(text_box.log, std::vector<std::string>{"GotFocus"});

  // A default-capable control with the focus shows as default and takes Enter itself.
  ok.log.clear();
  cancel.log.clear();
  cancel_host.SetFocus();
  EXPECT_TRUE(cancel_host.DisplayAsDefault());
  EXPECT_FALSE(ok_host.DisplayAsDefault());
  form.PressKey(13, 0, 13);
  EXPECT_EQ(cancel.log, (std::vector<std::string>{"GotFocus", "Ambient DisplayAsDefault",
                                                  "KeyDown 13 0", "KeyPress 13", "KeyUp 13 0"}));
  EXPECT_EQ(ok.log, std::vector<std::string>{"Ambient DisplayAsDefault"});
}

// --- Groups, events, desktop
// ---------------------------------------------------------------------------

TEST(HeadlessFormGroups, SiblingsAreTheControlsOfTheSameContainer) {
  HeadlessDesktop desktop;
  HeadlessForm form(desktop);
  const WindowHandle frame = form.AddContainer("Frame1", Rect::FromXYWH(10, 10, 200, 200));
  RecordingControl o1, o2, o3;
  HeadlessHost& h1 = form.AddHost(HostOptions{.name = "o1"});
  HeadlessHost& h2 = form.AddHost(HostOptions{.name = "o2"});
  HeadlessHost& h3 = form.AddHost(HostOptions{.name = "o3", .container = frame});
  h1.Attach(o1);
  h2.Attach(o2);
  h3.Attach(o3);
  EXPECT_EQ(h1.SiblingControls(), (std::vector<Control*>{&o1, &o2}));
  EXPECT_EQ(h3.SiblingControls(), (std::vector<Control*>{&o3}));
  EXPECT_EQ(h3.FormControls(), (std::vector<Control*>{&o1, &o2, &o3}));
  EXPECT_EQ(h3.ContainerWindow(), frame);
  EXPECT_EQ(h1.ContainerWindow(), form.Window());
  EXPECT_EQ(h3.ParentWindow(), form.Window());
}

TEST_F(FormFixture, EventsReachTheHandlerWhichMayChangeArguments) {
  host.SetEventHandler("RemoteLoadComplete", [](EventArgs& args) { args[2].value = true; });
  EventArgs args{{"Width", std::int32_t{3555}}, {"Height", std::int32_t{4455}}, {"Cancel", false}};
  host.RaiseEvent("RemoteLoadComplete", args);
  EXPECT_EQ(std::get<bool>(args[2].value), true);
  host.RaiseEvent("Click");
  ASSERT_EQ(host.Events().size(), 2u);
  EXPECT_EQ(std::get<bool>(host.Events()[0].args[2].value), false);
  EXPECT_EQ(std::get<bool>(host.Events()[0].args_after[2].value), true);
  EXPECT_EQ(std::get<std::int32_t>(host.Events()[0].args[0].value), 3555);
  EXPECT_EQ(host.EventNames(), (std::vector<std::string>{"RemoteLoadComplete", "Click"}));
  host.PropertyChanged("Value");
  EXPECT_EQ(host.Journal(), (std::vector<std::string>{"event:RemoteLoadComplete", "event:Click",
                                                      "property:Value"}));
}

TEST_F(FormFixture, MessageBoxesAnswerFromTheQueue) {
  desktop.QueueMessageBoxAnswer(2);
  EXPECT_EQ(host.MessageBox("nThunkNo doesn't exist.", "Error in ucAniGIF.cb_Callback", 16), 2);
  EXPECT_EQ(host.MessageBox("TeskButton v 1.02", "About", 64), 1);
  ASSERT_EQ(desktop.MessageBoxes().size(), 2u);
  EXPECT_EQ(desktop.MessageBoxes()[0].title, "Error in ucAniGIF.cb_Callback");
  EXPECT_EQ(desktop.MessageBoxes()[1].icon, 64);
  host.OpenAddress("http://127.0.0.1/home");
  EXPECT_EQ(desktop.OpenedAddresses(), std::vector<std::string>{"http://127.0.0.1/home"});
}

TEST_F(FormFixture, TooltipsCursorsAndThemes) {
  const WindowHandle tip =
      host.CreateToolTip(ToolTipSpec{.text = "hi", .title = "T", .icon = 1, .balloon = true});
  ASSERT_NE(tip, 0u);
  host.MouseMove(5, 5);
  EXPECT_EQ(host.WindowUnderPointer(), host.ControlWindow());  // tooltips are never hit
  host.DestroyToolTip(tip);
  ASSERT_EQ(host.ToolTips().size(), 1u);
  EXPECT_TRUE(host.ToolTips()[0].destroyed);
  EXPECT_TRUE(host.ToolTips()[0].spec.balloon);
  EXPECT_TRUE(host.SetSystemCursor(kCursorHand));
  EXPECT_EQ(host.CurrentSystemCursor(), kCursorHand);
  EXPECT_FALSE(host.SetSystemCursor(12345));
  host.MouseMove(6, 6);
  EXPECT_EQ(host.CurrentSystemCursor(), 0);
  EXPECT_FALSE(host.AppThemed());
  desktop.SetAppThemed(true);
  EXPECT_TRUE(host.AppThemed());
  EXPECT_DOUBLE_EQ(host.ContainerUnitsPerPixel(), 15.0);
}

}  // namespace
}  // namespace tovarin::platform::headless
